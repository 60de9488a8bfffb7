# The product's resources with option character 6 'y' instead of 'n': its
# functions go into the host plug-in object's own table and are reached
# through the old-style call (test tooling beside fmhost).
include(${CMAKE_CURRENT_LIST_DIR}/Plotvane.resources.cmake)
set(PV_OLDSTYLE_RES_STRINGS ${PV_RES_STRINGS})
list(FIND PV_OLDSTYLE_RES_STRINGS "PLVN1YnYYnn" options_at)
if(options_at LESS 0)
  message(FATAL_ERROR "the product's options string is not PLVN1YnYYnn")
endif()
list(REMOVE_AT PV_OLDSTYLE_RES_STRINGS ${options_at})
list(INSERT PV_OLDSTYLE_RES_STRINGS ${options_at} "PLVN1YyYYnn")
set(PV_OLDSTYLE_RES_PRODUCT_VERSION ${PV_RES_PRODUCT_VERSION})
