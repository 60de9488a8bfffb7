# The plug-in module's resources: string table and product version.
# Every text is plain ASCII; the generator writes it as UTF-16 units.
set(PV_RES_STRINGS
  128   "Plotvane"
  129   "Vanecraft Plotvane"
  131   "PLVN1YnYYnn"
  23000 "Copyright (c) 2026 Vanecraft. All rights reserved."
  23001 "release")
set(PV_RES_PRODUCT_VERSION 1 0 0 36)
