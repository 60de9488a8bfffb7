# The resources of a macOS-flavour plug-in bundle, generated from a resource
# description (see resources/Plotvane.resources.cmake):
#
#   plotvane_mac_bundle(TARGET target DIR folder NAME name EXECUTABLE file
#     STRINGS id text... VERSION major minor revision build FUNCTIONS id name...
#     [IDENTIFIER id] [SHORT_VERSION text] [BUNDLE_VERSION text] [STAGE text]
#     [OMIT key...] [RAW type id hexbytes...] [NO_RESOURCE_FILE] [NO_FUNCTION_LIST])
#
# writes folder/name.fmplugin/Contents/ with
#   Info.plist: CFBundleShortVersionString "major.minor.revision",
#     CFBundleVersion "build", KestrinDevStage the text of string 23001, the
#     executable's name, identifier and development region;
#   Resources/English.lproj/Localizable.strings: every string by its id;
#   Resources/EXECUTABLE.rsrc: 'STR#' 144 listing the function names at their
#     ids (an empty string where an id has none), made by the target.
# SHORT_VERSION, BUNDLE_VERSION and STAGE replace the values, OMIT leaves
# Info.plist keys out, RAW adds resources of given bytes and NO_FUNCTION_LIST
# leaves 'STR#' 144 out: test bundles with variant resources. The executable in MacOS/ is not made here.

function(pv_xml_escape OUT TEXT)
  string(REPLACE "&" "&amp;" TEXT "${TEXT}")
  string(REPLACE "<" "&lt;" TEXT "${TEXT}")
  string(REPLACE ">" "&gt;" TEXT "${TEXT}")
  set(${OUT} "${TEXT}" PARENT_SCOPE)
endfunction()

function(plotvane_mac_bundle)
  cmake_parse_arguments(B "NO_RESOURCE_FILE;NO_FUNCTION_LIST"
    "TARGET;DIR;NAME;EXECUTABLE;IDENTIFIER;SHORT_VERSION;BUNDLE_VERSION;STAGE"
    "STRINGS;VERSION;FUNCTIONS;OMIT;RAW" ${ARGN})
  foreach(required TARGET DIR NAME EXECUTABLE VERSION)
    if(NOT B_${required})
      message(FATAL_ERROR "plotvane_mac_bundle: ${required} is missing")
    endif()
  endforeach()
  set(contents ${B_DIR}/${B_NAME}.fmplugin/Contents)
  list(GET B_VERSION 0 v0)
  list(GET B_VERSION 1 v1)
  list(GET B_VERSION 2 v2)
  list(GET B_VERSION 3 v3)

  # Strings table and the stage (string 23001).
  set(strings "/* Generated from the bundle's resource description; do not edit. */\n")
  set(stage "")
  list(LENGTH B_STRINGS n)
  if(n GREATER 0)
    math(EXPR last "${n} - 1")
    foreach(i RANGE 0 ${last} 2)
      math(EXPR j "${i} + 1")
      list(GET B_STRINGS ${i} id)
      list(GET B_STRINGS ${j} text)
      if(id EQUAL 23001)
        set(stage "${text}")
      endif()
      string(REPLACE "\\" "\\\\" text "${text}")
      string(REPLACE "\"" "\\\"" text "${text}")
      string(APPEND strings "\"${id}\" = \"${text}\";\n")
    endforeach()
  endif()
  if(DEFINED B_STAGE)
    set(stage "${B_STAGE}")
  endif()
  set(short_version "${v0}.${v1}.${v2}")
  if(DEFINED B_SHORT_VERSION)
    set(short_version "${B_SHORT_VERSION}")
  endif()
  set(bundle_version "${v3}")
  if(DEFINED B_BUNDLE_VERSION)
    set(bundle_version "${B_BUNDLE_VERSION}")
  endif()
  set(identifier "com.vanecraft.${B_NAME}")
  if(B_IDENTIFIER)
    set(identifier "${B_IDENTIFIER}")
  endif()

  set(keys CFBundleDevelopmentRegion CFBundleExecutable CFBundleIdentifier
    CFBundleInfoDictionaryVersion CFBundleName CFBundlePackageType
    CFBundleShortVersionString CFBundleVersion KestrinDevStage)
  set(value_CFBundleDevelopmentRegion "English")
  set(value_CFBundleExecutable "${B_EXECUTABLE}")
  set(value_CFBundleIdentifier "${identifier}")
  set(value_CFBundleInfoDictionaryVersion "6.0")
  set(value_CFBundleName "${B_NAME}")
  set(value_CFBundlePackageType "BNDL")
  set(value_CFBundleShortVersionString "${short_version}")
  set(value_CFBundleVersion "${bundle_version}")
  set(value_KestrinDevStage "${stage}")
  set(plist "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n")
  foreach(key IN LISTS keys)
    if(NOT key IN_LIST B_OMIT)
      pv_xml_escape(value "${value_${key}}")
      string(APPEND plist "  <key>${key}</key>\n  <string>${value}</string>\n")
    endif()
  endforeach()
  string(APPEND plist "</dict>\n</plist>\n")

  file(CONFIGURE OUTPUT ${contents}/Info.plist CONTENT "${plist}" @ONLY)
  file(CONFIGURE OUTPUT ${contents}/Resources/English.lproj/Localizable.strings
    CONTENT "${strings}" @ONLY)

  # The function names at their ids: gaps are empty strings.
  set(names "")
  set(top -1)
  list(LENGTH B_FUNCTIONS n)
  if(n GREATER 0)
    math(EXPR last "${n} - 1")
    foreach(i RANGE 0 ${last} 2)
      math(EXPR j "${i} + 1")
      list(GET B_FUNCTIONS ${i} id)
      list(GET B_FUNCTIONS ${j} name)
      set(name_${id} "${name}")
      if(id GREATER top)
        set(top ${id})
      endif()
    endforeach()
  endif()
  set(resfile_args -s "STR#" 144)
  if(B_NO_FUNCTION_LIST)
    set(resfile_args "")
  elseif(top GREATER_EQUAL 0)
    foreach(id RANGE 0 ${top})
      # Each string goes with a leading "=", so that an empty one stays an argument.
      if(DEFINED name_${id})
        list(APPEND resfile_args "=${name_${id}}")
      else()
        list(APPEND resfile_args "=")
      endif()
    endforeach()
  endif()
  list(LENGTH B_RAW n)
  if(n GREATER 0)
    math(EXPR last "${n} - 1")
    foreach(i RANGE 0 ${last} 3)
      math(EXPR j "${i} + 1")
      math(EXPR k "${i} + 2")
      list(GET B_RAW ${i} type)
      list(GET B_RAW ${j} id)
      list(GET B_RAW ${k} hex)
      list(APPEND resfile_args -x "${type}" ${id} ${hex})
    endforeach()
  endif()
  set(rsrc ${contents}/Resources/${B_EXECUTABLE}.rsrc)
  if(B_NO_RESOURCE_FILE)
    add_custom_target(${B_TARGET} ALL COMMAND ${CMAKE_COMMAND} -E rm -f ${rsrc} VERBATIM)
  else()
    add_custom_command(OUTPUT ${rsrc}
      COMMAND pv_resfile ${rsrc} ${resfile_args}
      DEPENDS pv_resfile
      COMMENT "Resource file of ${B_NAME}.fmplugin" VERBATIM)
    add_custom_target(${B_TARGET} ALL DEPENDS ${rsrc})
  endif()
endfunction()
