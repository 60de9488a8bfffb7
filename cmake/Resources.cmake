# Generates the C++ source holding a module's string table and version data
# from a resource description (a list of id/text pairs and a product version).
#
# Layout of the exported string table (uint16 units): repeated blocks of
#   block number (id / 16 + 1), then 16 entries of (length, UTF-16 units...)
# ended by a block number 0. The version is two 32-bit halves
# (major << 16 | minor, revision << 16 | build).
function(plotvane_generate_resources OUT_FILE)
  cmake_parse_arguments(R "" "" "STRINGS;VERSION" ${ARGN})
  list(LENGTH R_STRINGS n)
  math(EXPR last "${n} - 1")
  set(blocks "")
  foreach(i RANGE 0 ${last} 2)
    math(EXPR j "${i} + 1")
    list(GET R_STRINGS ${i} id)
    list(GET R_STRINGS ${j} text)
    if(NOT text MATCHES "^[ -~]*$")
      message(FATAL_ERROR "resource string ${id} must be printable ASCII")
    endif()
    math(EXPR block "${id} / 16 + 1")
    math(EXPR slot "${id} % 16")
    list(APPEND blocks ${block})
    set(str_${block}_${slot} "${text}")
    set(has_${block}_${slot} 1)
  endforeach()
  list(REMOVE_DUPLICATES blocks)
  list(SORT blocks COMPARE NATURAL)
  set(body "")
  foreach(block IN LISTS blocks)
    string(APPEND body "    ${block},\n")
    foreach(slot RANGE 0 15)
      if(has_${block}_${slot})
        set(text "${str_${block}_${slot}}")
        string(LENGTH "${text}" len)
        string(APPEND body "    ${len},")
        if(len GREATER 0)
          math(EXPR lastc "${len} - 1")
          foreach(c RANGE 0 ${lastc})
            string(SUBSTRING "${text}" ${c} 1 ch)
            string(HEX "${ch}" hx)
            string(APPEND body " 0x${hx},")
          endforeach()
        endif()
        string(APPEND body "\n")
      else()
        string(APPEND body "    0,\n")
      endif()
    endforeach()
  endforeach()
  list(GET R_VERSION 0 v0)
  list(GET R_VERSION 1 v1)
  list(GET R_VERSION 2 v2)
  list(GET R_VERSION 3 v3)
  math(EXPR ms "(${v0} << 16) | ${v1}" OUTPUT_FORMAT HEXADECIMAL)
  math(EXPR ls "(${v2} << 16) | ${v3}" OUTPUT_FORMAT HEXADECIMAL)
  set(content "// Generated from the module's resource description; do not edit.
#include <cstdint>

extern \"C\" {
__attribute__((visibility(\"default\")))
extern const std::uint16_t PVRes_StringTable[];
__attribute__((visibility(\"default\")))
extern const std::uint32_t PVRes_ProductVersion[2];

const std::uint16_t PVRes_StringTable[] = {
${body}    0
};
const std::uint32_t PVRes_ProductVersion[2] = { ${ms}u, ${ls}u };
}
")
  file(CONFIGURE OUTPUT ${OUT_FILE} CONTENT "${content}" @ONLY)
endfunction()
