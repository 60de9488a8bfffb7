# One flavour of the plug-in: its framework and its engine, its plug-in
# modules and, from tests/CMakeLists.txt, its tests.
#
#   pv_framework_<flavour>  (object library) the support library, entry and
#                           framework, host access, character sets and, in
#                           mac, the macOS layer: everything but the charts.
#                           The product creation hook RegisterPlugInFunctions
#                           is left to the module that uses it.
#   pv_engine_<flavour>     (static library) the framework's objects and the
#                           chart subsystem with its drawing layer.
#
# Flavours: `win` (over the Windows stand-ins pv_platform_win32, which the
# framework links, and pv_platform_gdiplus, which the engine links) and `mac`
# (over libCoreFoundation.so and libCarbon.so, with the macOS layer's own code
# in macos/, its charts drawing through chart/engine/quartz over
# platform/quartz and platform/appkit); its plug-in module is the bundle
# Plotvane.fmplugin (plotvane_bundle_module).

set(PV_ROOT ${PROJECT_SOURCE_DIR})

function(plotvane_flavour FLAVOUR)
  set(framework pv_framework_${FLAVOUR})
  set(engine pv_engine_${FLAVOUR})
  # Shared sources, each subsystem's bodies of the flavour (its win/ or mac/
  # folder) and the flavour's own system layer.
  set(framework_dirs sdk/std/Sources plugin fmx cs)
  foreach(d IN ITEMS sdk/std/Sources plugin fmx cs)
    list(APPEND framework_dirs ${d}/${FLAVOUR})
  endforeach()
  set(chart_dirs chart/functions chart/engine chart/output)
  if(FLAVOUR STREQUAL "win")
    list(APPEND chart_dirs chart/engine/gdiplus)
  elseif(FLAVOUR STREQUAL "mac")
    list(APPEND framework_dirs macos)
    list(APPEND chart_dirs chart/engine/quartz)
  endif()
  foreach(part framework chart)
    set(globs "")
    foreach(d IN LISTS ${part}_dirs)
      list(APPEND globs ${PV_ROOT}/${d}/*.cpp)
    endforeach()
    file(GLOB ${part}_srcs CONFIGURE_DEPENDS ${globs})
  endforeach()

  string(TOUPPER ${FLAVOUR} up)
  add_library(${framework} OBJECT ${framework_srcs})
  target_include_directories(${framework} PUBLIC
    ${PV_ROOT} ${PV_ROOT}/sdk/std/Headers ${PV_ROOT}/include)
  target_compile_definitions(${framework} PUBLIC PV_FLAVOUR_${up}=1)
  target_link_libraries(${framework} PUBLIC
    FMWrapper pv_platform_common Boost::headers ICU::uc ICU::i18n Threads::Threads ${CMAKE_DL_LIBS})
  if(FLAVOUR STREQUAL "win")
    target_link_libraries(${framework} PUBLIC pv_platform_win32)
  elseif(FLAVOUR STREQUAL "mac")
    target_link_libraries(${framework} PUBLIC Carbon CoreFoundation pv_platform_dyld)
  endif()

  add_library(${engine} STATIC ${chart_srcs})
  target_link_libraries(${engine} PUBLIC ${framework})
  target_link_libraries(${engine} PUBLIC pv_platform_drawing
    PkgConfig::CAIRO PkgConfig::PANGO PNG::PNG ZLIB::ZLIB PkgConfig::ISAL JPEG::JPEG)
  if(FLAVOUR STREQUAL "win")
    # The charts draw through the GDI+ layer.
    target_link_libraries(${engine} PUBLIC pv_platform_gdiplus)
  endif()
  if(FLAVOUR STREQUAL "mac")
    # The charts draw through the Quartz and AppKit layers.
    target_link_libraries(${engine} PUBLIC pv_platform_quartz pv_platform_appkit)
    # The product's bundle: its executable is the engine whole and exports
    # only the entry point (its resources are the bundle's own files).
    set(module_cpp ${CMAKE_BINARY_DIR}/generated/mac/pv_bundle_module.cpp)
    file(CONFIGURE OUTPUT ${module_cpp} CONTENT "// The bundle's executable: the flavour's engine whole.\n")
    plotvane_bundle_module(Plotvane_mac DIR ${PV_BIN_DIR} NAME Plotvane SOURCES ${module_cpp}
      WHOLE ${engine})
    add_dependencies(Plotvane_mac pv_bundle_Plotvane)
    return()
  endif()

  # The module's resources, generated from the resource description.
  set(res_cpp ${CMAKE_BINARY_DIR}/generated/${FLAVOUR}/pv_resources.cpp)
  include(${PV_ROOT}/resources/Plotvane.resources.cmake)
  plotvane_generate_resources(${res_cpp} STRINGS ${PV_RES_STRINGS} VERSION ${PV_RES_PRODUCT_VERSION})
  add_library(pv_resources_${FLAVOUR} OBJECT ${res_cpp})
  plotvane_module(${FLAVOUR} Plotvane pv_resources_${FLAVOUR})

  # The same product whose functions are reached through the old-style call.
  set(res_cpp ${CMAKE_BINARY_DIR}/generated/${FLAVOUR}/pv_resources_oldstyle.cpp)
  include(${PV_ROOT}/resources/PlotvaneOldStyle.resources.cmake)
  plotvane_generate_resources(${res_cpp} STRINGS ${PV_OLDSTYLE_RES_STRINGS}
    VERSION ${PV_OLDSTYLE_RES_PRODUCT_VERSION})
  add_library(pv_resources_oldstyle_${FLAVOUR} OBJECT ${res_cpp})
  plotvane_module(${FLAVOUR} PlotvaneOldStyle pv_resources_oldstyle_${FLAVOUR})
endfunction()

# A plug-in module NAME_FLAVOUR (file NAME.fmx) of the win flavour's engine
# and a resource object library; it exports only the entry point and its
# resource data.
function(plotvane_module FLAVOUR NAME RESOURCES)
  set(module ${NAME}_${FLAVOUR})
  add_library(${module} MODULE $<TARGET_OBJECTS:${RESOURCES}>)
  target_link_libraries(${module} PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,pv_engine_${FLAVOUR}>")
  target_link_options(${module} PRIVATE -Wl,--version-script=${PV_ROOT}/plugin/exports.map)
  if(NOT PV_SANITIZE)
    # A sanitized module takes the runtime from the program that loads it.
    target_link_options(${module} PRIVATE -Wl,--no-undefined)
  endif()
  set_target_properties(${module} PROPERTIES PREFIX "" SUFFIX ".fmx" OUTPUT_NAME ${NAME}
    LINK_DEPENDS ${PV_ROOT}/plugin/exports.map)
endfunction()

# The executable of a macOS-flavour bundle: TARGET (an ELF shared object that
# exports only the entry point) is made DIR/NAME.fmplugin/Contents/MacOS/NAME;
# the bundle's other files come from plotvane_mac_bundle with the same DIR
# and NAME. SOURCES and LIBRARIES make it; the library that holds the entry
# point goes in whole (WHOLE).
function(plotvane_bundle_module TARGET)
  cmake_parse_arguments(M "" "DIR;NAME;WHOLE" "SOURCES;LIBRARIES" ${ARGN})
  add_library(${TARGET} MODULE ${M_SOURCES})
  if(M_WHOLE)
    target_link_libraries(${TARGET} PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${M_WHOLE}>")
  endif()
  target_link_libraries(${TARGET} PRIVATE ${M_LIBRARIES})
  target_link_options(${TARGET} PRIVATE -Wl,--version-script=${PV_ROOT}/plugin/exports.map)
  if(NOT PV_SANITIZE)
    target_link_options(${TARGET} PRIVATE -Wl,--no-undefined)
  endif()
  set_target_properties(${TARGET} PROPERTIES PREFIX "" SUFFIX "" OUTPUT_NAME ${M_NAME}
    LIBRARY_OUTPUT_DIRECTORY ${M_DIR}/${M_NAME}.fmplugin/Contents/MacOS
    LINK_DEPENDS ${PV_ROOT}/plugin/exports.map)
  # The bundle's executable finds the system libraries of bin/.
  file(RELATIVE_PATH up ${M_DIR}/${M_NAME}.fmplugin/Contents/MacOS ${PV_BIN_DIR})
  set_target_properties(${TARGET} PROPERTIES BUILD_RPATH "$ORIGIN/${up}")
endfunction()

# Which flavours each folder of tests/ builds for. The folders of tests/
# mirror the source folders they test. A folder named win or mac, or one
# inside such a folder, builds for that flavour alone. A folder of this map,
# with the folders inside it, builds for the flavours it lists; every other
# folder builds for both. The mac flavour has no host world and no Windows
# paths or windows: those folders wait for it; its chart tests are in
# chart/engine/quartz (the chart folders' other tests go through the GDI+
# layer's recording). The shared coverage code of platform/common is tested
# once, in the win flavour's program. The macOS layer's tests (macos) are
# the mac flavour's.
set(PV_TEST_FOLDER_FLAVOURS
  chart            win
  chart/engine/quartz mac
  fmx/access       win
  fmx/filepath     win
  fmx/oldstyle     win
  fmx/plugin       win
  host             win
  macos            mac
  platform/common  win
  platform/gdiplus win
  platform/win32   win
  plugin           win)

# Whether the tests/ folder DIR builds for FLAVOUR (into OUT).
function(pv_test_folder_builds DIR FLAVOUR OUT)
  set(builds TRUE)
  if(DIR MATCHES "(^|/)(win|mac)(/|$)")
    set(builds FALSE)
    if(CMAKE_MATCH_2 STREQUAL FLAVOUR)
      set(builds TRUE)
    endif()
  else()
    list(LENGTH PV_TEST_FOLDER_FLAVOURS n)
    math(EXPR last "${n} - 1")
    foreach(i RANGE 0 ${last} 2)
      math(EXPR j "${i} + 1")
      list(GET PV_TEST_FOLDER_FLAVOURS ${i} folder)
      list(GET PV_TEST_FOLDER_FLAVOURS ${j} flavours)
      if(DIR STREQUAL folder OR DIR MATCHES "^${folder}/")
        string(REPLACE "+" ";" flavours "${flavours}")
        set(builds FALSE)
        if(FLAVOUR IN_LIST flavours)
          set(builds TRUE)
        endif()
      endif()
    endforeach()
  endif()
  set(${OUT} ${builds} PARENT_SCOPE)
endfunction()

# Tests of one flavour: one executable per folder of sources under tests/ that
# builds for it (but support/, e2e/, fuzz/, data/, modules/ and the macOS
# system stand-ins' own folders, which tests/platform/CMakeLists.txt builds,
# and macos/binding, which builds the macOS binding on its own),
# named pv_test_<flavour>_<folder>, each test its own CTest entry (named
# <flavour>.<folder>.<test>, labelled with the flavour) so that process-wide
# state never leaks from one test into the next. The win flavour's test programs carry the module's
# resources; the mac flavour's find them in the product's bundle.
function(plotvane_flavour_tests FLAVOUR)
  set(engine pv_engine_${FLAVOUR})
  # The win flavour's tests have the product (and its chart helpers); the mac
  # flavour's a bare plug-in object.
  set(support_srcs ${PV_ROOT}/tests/support/main.cpp ${PV_ROOT}/tests/support/plugin_harness.cpp
    ${PV_ROOT}/tests/support/BareProduct.cpp ${PV_ROOT}/tests/support/ChartSupport.cpp
    ${PV_ROOT}/tests/support/gfx_sanitizer.cpp)
  if(FLAVOUR STREQUAL "win")
    file(GLOB support_srcs CONFIGURE_DEPENDS ${PV_ROOT}/tests/support/*.cpp)
    list(REMOVE_ITEM support_srcs ${PV_ROOT}/tests/support/BareProduct.cpp)
  endif()
  set(support pv_testsupport_${FLAVOUR})
  add_library(${support} STATIC ${support_srcs})
  target_include_directories(${support} PUBLIC ${PV_ROOT}/tests)
  target_link_libraries(${support} PUBLIC ${engine} GTest::gtest GTest::gmock)
  target_compile_definitions(${support} PUBLIC
    PV_BIN_DIR="${PV_BIN_DIR}" PV_SOURCE_DIR="${PV_ROOT}" PV_TEST_DATA_DIR="${PV_ROOT}/tests/data")
  set(resources "")
  if(TARGET pv_resources_${FLAVOUR})
    set(resources $<TARGET_OBJECTS:pv_resources_${FLAVOUR}>)
  endif()

  file(GLOB_RECURSE all_tsrcs RELATIVE ${PV_ROOT}/tests CONFIGURE_DEPENDS ${PV_ROOT}/tests/*.cpp)
  set(test_dirs "")
  foreach(src IN LISTS all_tsrcs)
    get_filename_component(dir ${src} DIRECTORY)
    if(dir STREQUAL "" OR dir MATCHES "^(support|e2e|fuzz|data|modules|macos/binding|platform/(corefoundation|carbon|dyld|quartz|appkit))(/|$)")
      continue()
    endif()
    pv_test_folder_builds(${dir} ${FLAVOUR} builds)
    if(builds)
      list(APPEND test_dirs ${dir})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES test_dirs)
  foreach(dir IN LISTS test_dirs)
    file(GLOB tsrcs CONFIGURE_DEPENDS ${PV_ROOT}/tests/${dir}/*.cpp)
    string(REPLACE "/" "_" id ${dir})
    string(REPLACE "/" "." label ${dir})
    set(exe pv_test_${FLAVOUR}_${id})
    add_executable(${exe} ${tsrcs} ${resources})
    target_link_libraries(${exe} PRIVATE
      "$<LINK_LIBRARY:WHOLE_ARCHIVE,${support}>" ${engine})
    set_target_properties(${exe} PROPERTIES ENABLE_EXPORTS ON)
    if(FLAVOUR STREQUAL "mac")
      add_dependencies(${exe} pv_bundle_Plotvane)
    endif()
    # Entries named *Child run only as the child process of another test.
    gtest_discover_tests(${exe} TEST_PREFIX "${FLAVOUR}.${label}." DISCOVERY_TIMEOUT 60
      TEST_FILTER "-*Child.*"
      PROPERTIES LABELS ${FLAVOUR})
  endforeach()
endfunction()
