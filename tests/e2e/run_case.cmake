# Runs one end-to-end script through fmhost and compares its output.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${FMHOST} --out ${WORK} ${SCRIPT}
  WORKING_DIRECTORY ${WORK}
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
file(WRITE ${WORK}/actual.txt "${out}")
if(EXISTS ${EXPECTED})
  file(READ ${EXPECTED} expected)
else()
  set(expected "")
endif()
if(NOT out STREQUAL expected)
  execute_process(COMMAND diff -u ${EXPECTED} ${WORK}/actual.txt)
  message(FATAL_ERROR "output differs (rc=${rc}, stderr: ${err})")
endif()
