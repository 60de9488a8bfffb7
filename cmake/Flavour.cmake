# One flavour of the plug-in: its framework and its engine, the plug-in module
# and, from tests/CMakeLists.txt, its tests.
# Only `win` exists for now; `mac` adds its own platform folders later.
#
#   pv_framework_<flavour>  (object library) the support library, entry and
#                           framework, host access, character sets and the
#                           system stand-ins: everything but the charts. The
#                           product creation hook RegisterPlugInFunctions is
#                           left to the module that uses it.
#   pv_engine_<flavour>     (static library) the framework's objects and the
#                           chart subsystem with its drawing stand-ins.

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
    list(APPEND framework_dirs platform/win32)
    list(APPEND chart_dirs chart/engine/gdiplus platform/gdiplus)
  elseif(FLAVOUR STREQUAL "mac")
    list(APPEND framework_dirs mac)
  endif()
  foreach(part framework chart)
    set(globs "")
    foreach(d IN LISTS ${part}_dirs)
      list(APPEND globs ${PV_ROOT}/${d}/*.cpp)
    endforeach()
    file(GLOB ${part}_srcs CONFIGURE_DEPENDS ${globs})
  endforeach()
  # The product's result-code keeper writes to the product log.
  set(product_srcs ${PV_ROOT}/plugin/ResultCodes.cpp)
  list(REMOVE_ITEM framework_srcs ${product_srcs})

  string(TOUPPER ${FLAVOUR} up)
  add_library(${framework} OBJECT ${framework_srcs})
  target_include_directories(${framework} PUBLIC
    ${PV_ROOT} ${PV_ROOT}/sdk/std/Headers ${PV_ROOT}/host/include)
  target_compile_definitions(${framework} PUBLIC PV_FLAVOUR_${up}=1)
  target_link_libraries(${framework} PUBLIC
    FMWrapper pv_platform_common Boost::headers ICU::uc ICU::i18n Threads::Threads ${CMAKE_DL_LIBS})

  add_library(${engine} STATIC ${chart_srcs} ${product_srcs})
  target_link_libraries(${engine} PUBLIC ${framework}
    PkgConfig::CAIRO PkgConfig::PANGO PNG::PNG ZLIB::ZLIB PkgConfig::ISAL JPEG::JPEG)

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

# A plug-in module NAME_FLAVOUR (file NAME.fmx in the win flavour) of the
# flavour's engine and a resource object library; it exports only the entry
# point and its resource data.
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
  if(NOT FLAVOUR STREQUAL "win")
    set_target_properties(${module} PROPERTIES OUTPUT_NAME ${NAME}_${FLAVOUR})
  endif()
endfunction()

# Tests of one flavour: one executable per folder of sources under tests/ (but
# support/, e2e/, fuzz/, data/, modules/ and the macOS system stand-ins' own
# folders, which tests/platform/CMakeLists.txt builds), each test its own CTest
# entry so that process-wide state never leaks from one test into the next.
function(plotvane_flavour_tests FLAVOUR)
  set(engine pv_engine_${FLAVOUR})
  file(GLOB support_srcs CONFIGURE_DEPENDS ${PV_ROOT}/tests/support/*.cpp)
  set(support pv_testsupport_${FLAVOUR})
  add_library(${support} STATIC ${support_srcs} ${PV_ROOT}/tests/support/main.cpp)
  target_include_directories(${support} PUBLIC ${PV_ROOT}/tests)
  target_link_libraries(${support} PUBLIC ${engine} GTest::gtest GTest::gmock)
  target_compile_definitions(${support} PUBLIC
    PV_BIN_DIR="${PV_BIN_DIR}" PV_SOURCE_DIR="${PV_ROOT}" PV_TEST_DATA_DIR="${PV_ROOT}/tests/data")

  # Every folder under tests/ that holds sources is one executable, named by
  # its path (tests/chart/engine/gdiplus -> pv_test_win_chart_engine_gdiplus).
  file(GLOB_RECURSE all_tsrcs RELATIVE ${PV_ROOT}/tests CONFIGURE_DEPENDS ${PV_ROOT}/tests/*.cpp)
  set(test_dirs "")
  foreach(src IN LISTS all_tsrcs)
    get_filename_component(dir ${src} DIRECTORY)
    if(dir STREQUAL "" OR dir MATCHES "^(support|e2e|fuzz|data|modules|platform/(corefoundation|carbon|dyld))(/|$)")
      continue()
    endif()
    list(APPEND test_dirs ${dir})
  endforeach()
  list(REMOVE_DUPLICATES test_dirs)
  foreach(dir IN LISTS test_dirs)
    file(GLOB tsrcs CONFIGURE_DEPENDS ${PV_ROOT}/tests/${dir}/*.cpp)
    string(REPLACE "/" "_" id ${dir})
    string(REPLACE "/" "." label ${dir})
    set(exe pv_test_${FLAVOUR}_${id})
    add_executable(${exe} ${tsrcs} $<TARGET_OBJECTS:pv_resources_${FLAVOUR}>)
    target_link_libraries(${exe} PRIVATE
      "$<LINK_LIBRARY:WHOLE_ARCHIVE,${support}>" ${engine})
    set_target_properties(${exe} PROPERTIES ENABLE_EXPORTS ON)
    gtest_discover_tests(${exe} TEST_PREFIX "${FLAVOUR}.${label}." DISCOVERY_TIMEOUT 60
      PROPERTIES LABELS "unit;${FLAVOUR}")
  endforeach()
endfunction()
