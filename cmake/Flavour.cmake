# One flavour of the plug-in: its engine (every subsystem as a static library),
# the plug-in module and, from tests/CMakeLists.txt, its tests.
# Only `win` exists for now; `mac` adds its own platform folders later.

set(PV_ROOT ${PROJECT_SOURCE_DIR})

function(plotvane_flavour FLAVOUR)
  set(engine pv_engine_${FLAVOUR})
  set(dirs sdk/std/Sources plugin chart fmx cs)
  if(FLAVOUR STREQUAL "win")
    list(APPEND dirs chart/gdiplus platform/win32 platform/gdiplus)
  elseif(FLAVOUR STREQUAL "mac")
    list(APPEND dirs mac)
  endif()
  set(globs "")
  foreach(d IN LISTS dirs)
    list(APPEND globs ${PV_ROOT}/${d}/*.cpp)
  endforeach()
  file(GLOB srcs CONFIGURE_DEPENDS ${globs})

  add_library(${engine} STATIC ${srcs})
  target_include_directories(${engine} PUBLIC
    ${PV_ROOT} ${PV_ROOT}/sdk/std/Headers ${PV_ROOT}/host/include)
  string(TOUPPER ${FLAVOUR} up)
  target_compile_definitions(${engine} PUBLIC PV_FLAVOUR_${up}=1)
  target_link_libraries(${engine} PUBLIC
    FMWrapper Boost::headers PkgConfig::CAIRO PkgConfig::PANGO
    PNG::PNG JPEG::JPEG ICU::uc ICU::i18n Threads::Threads ${CMAKE_DL_LIBS})

  # The module's resources, generated from the resource description.
  set(res_cpp ${CMAKE_BINARY_DIR}/generated/${FLAVOUR}/pv_resources.cpp)
  include(${PV_ROOT}/resources/Plotvane.resources.cmake)
  plotvane_generate_resources(${res_cpp} STRINGS ${PV_RES_STRINGS} VERSION ${PV_RES_PRODUCT_VERSION})
  add_library(pv_resources_${FLAVOUR} OBJECT ${res_cpp})

  # The plug-in module: exports only the entry point and its resource data.
  set(module Plotvane_${FLAVOUR})
  add_library(${module} MODULE $<TARGET_OBJECTS:pv_resources_${FLAVOUR}>)
  target_link_libraries(${module} PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${engine}>")
  target_link_options(${module} PRIVATE -Wl,--version-script=${PV_ROOT}/plugin/exports.map)
  if(NOT PV_SANITIZE)
    # A sanitized module takes the runtime from the program that loads it.
    target_link_options(${module} PRIVATE -Wl,--no-undefined)
  endif()
  set_target_properties(${module} PROPERTIES PREFIX "" SUFFIX ".fmx" OUTPUT_NAME Plotvane
    LINK_DEPENDS ${PV_ROOT}/plugin/exports.map)
  if(NOT FLAVOUR STREQUAL "win")
    set_target_properties(${module} PROPERTIES OUTPUT_NAME Plotvane_${FLAVOUR})
  endif()
endfunction()

# Tests of one flavour: one executable per folder under tests/ (but support/,
# e2e/, fuzz/ and data/), each test its own CTest entry so that process-wide
# state never leaks from one test into the next.
function(plotvane_flavour_tests FLAVOUR)
  set(engine pv_engine_${FLAVOUR})
  file(GLOB support_srcs CONFIGURE_DEPENDS ${PV_ROOT}/tests/support/*.cpp)
  set(support pv_testsupport_${FLAVOUR})
  add_library(${support} STATIC ${support_srcs} ${PV_ROOT}/tests/support/main.cpp)
  target_include_directories(${support} PUBLIC ${PV_ROOT}/tests)
  target_link_libraries(${support} PUBLIC ${engine} GTest::gtest GTest::gmock)
  target_compile_definitions(${support} PUBLIC
    PV_BIN_DIR="${PV_BIN_DIR}" PV_SOURCE_DIR="${PV_ROOT}" PV_TEST_DATA_DIR="${PV_ROOT}/tests/data")

  file(GLOB children RELATIVE ${PV_ROOT}/tests CONFIGURE_DEPENDS ${PV_ROOT}/tests/*)
  foreach(child IN LISTS children)
    if(NOT IS_DIRECTORY ${PV_ROOT}/tests/${child})
      continue()
    endif()
    if(child MATCHES "^(support|e2e|fuzz|data|reference)$")
      continue()
    endif()
    file(GLOB_RECURSE tsrcs CONFIGURE_DEPENDS ${PV_ROOT}/tests/${child}/*.cpp)
    if(NOT tsrcs)
      continue()
    endif()
    set(exe pv_test_${FLAVOUR}_${child})
    add_executable(${exe} ${tsrcs} $<TARGET_OBJECTS:pv_resources_${FLAVOUR}>)
    target_link_libraries(${exe} PRIVATE
      "$<LINK_LIBRARY:WHOLE_ARCHIVE,${support}>" ${engine})
    set_target_properties(${exe} PROPERTIES ENABLE_EXPORTS ON)
    gtest_discover_tests(${exe} TEST_PREFIX "${FLAVOUR}.${child}." DISCOVERY_TIMEOUT 60
      PROPERTIES LABELS "unit;${FLAVOUR}")
  endforeach()
endfunction()
