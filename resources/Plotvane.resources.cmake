# The plug-in module's resources: string table and product version.
# Every text is plain ASCII; the generator writes it as UTF-16 units.
set(PV_RES_STRINGS
  128   "Plotvane"
  129   "Vanecraft Plotvane"
  131   "PLVN1YnYYnn"
  23000 "Copyright (c) 2026 Vanecraft. All rights reserved."
  23001 "release")
set(PV_RES_PRODUCT_VERSION 1 0 0 36)
# The function names at their ids, as the macOS bundle's 'STR#' 144 lists
# them (its first "_" written "-", as the plug-in looks them up).
set(PV_RES_FUNCTION_NAMES
  0  "PVane-Version"
  3  "PVane-SetupLog"
  4  "PVane-CreateChart"
  5  "PVane-AddGraph"
  6  "PVane-AddData"
  7  "PVane-AddLabels"
  8  "PVane-GetChart"
  9  "PVane-DestroyChart"
  10 "PVane-AddPieColors"
  11 "PVane-GetLastResultCode")
