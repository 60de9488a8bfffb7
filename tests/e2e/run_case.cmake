cmake_minimum_required(VERSION 3.25)
# Runs one end-to-end script through fmhost and compares what it gives.
# Inputs: FMHOST, SCRIPT, CASE (the case's path without extension), WORK,
# PLUGIN (empty: fmhost's default module). Beside the case: NAME.args,
# NAME.env, NAME.expected, NAME.status, NAME.stderr, NAME.files (see
# CMakeLists.txt).
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

set(args --out ${WORK})
if(PLUGIN)
  list(APPEND args --plugin ${PLUGIN})
endif()
if(EXISTS ${CASE}.args)
  file(STRINGS ${CASE}.args extra)
  get_filename_component(bin ${FMHOST} DIRECTORY)
  list(TRANSFORM extra REPLACE "@BIN@" "${bin}")
  list(APPEND args ${extra})
endif()
# NAME.env: the environment of the run, VAR=VALUE a line.
set(env "")
if(EXISTS ${CASE}.env)
  file(STRINGS ${CASE}.env env_lines)
  foreach(line IN LISTS env_lines)
    if(NOT line MATCHES "^[A-Za-z_][A-Za-z0-9_]*=")
      message(FATAL_ERROR "${CASE}.env: \"${line}\" is not VAR=VALUE")
    endif()
    list(APPEND env ${line})
  endforeach()
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E env ${env} ${FMHOST} ${args} ${SCRIPT}
  WORKING_DIRECTORY ${WORK}
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
# Picture streams vary with fonts and random colours: a non-empty picture
# stream is compared as TYPE:+ (its presence), every other stream exactly.
string(REGEX REPLACE "(PNGf|JPEG):[1-9][0-9]*" "\\1:+" out "${out}")
file(WRITE ${WORK}/actual.txt "${out}")
file(WRITE ${WORK}/actual.stderr "${err}")

set(failures "")
if(EXISTS ${CASE}.expected)
  file(READ ${CASE}.expected expected)
else()
  set(expected "")
endif()
if(NOT out STREQUAL expected)
  execute_process(COMMAND diff -u ${CASE}.expected ${WORK}/actual.txt)
  string(APPEND failures "standard output differs; ")
endif()

set(status 0)
if(EXISTS ${CASE}.status)
  file(STRINGS ${CASE}.status status LIMIT_COUNT 1)
endif()
if(NOT rc STREQUAL status)
  string(APPEND failures "exit status ${rc}, expected ${status}; ")
endif()

if(EXISTS ${CASE}.stderr)
  file(READ ${CASE}.stderr expected_err)
  string(REPLACE "@WORK@" "${WORK}" expected_err "${expected_err}")
  string(REPLACE "@SCRIPT@" "${SCRIPT}" expected_err "${expected_err}")
  if(NOT err STREQUAL expected_err)
    execute_process(COMMAND diff -u ${CASE}.stderr ${WORK}/actual.stderr)
    string(APPEND failures "standard error differs; ")
  endif()
endif()

if(EXISTS ${CASE}.files)
  file(STRINGS ${CASE}.files files)
  foreach(f IN LISTS files)
    if(NOT EXISTS ${WORK}/${f})
      string(APPEND failures "${f} was not written; ")
    endif()
  endforeach()
endif()

if(failures)
  message(FATAL_ERROR "${failures}(stderr: ${err})")
endif()
