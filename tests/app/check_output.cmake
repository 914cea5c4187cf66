# Runs PROGRAM with ARGS and compares its stdout byte for byte with the file
# EXPECTED, and its exit code with EXIT_CODE.
execute_process(COMMAND ${PROGRAM} ${ARGS}
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
file(READ ${EXPECTED} expected)
if(NOT out STREQUAL expected)
  message(FATAL_ERROR "stdout differs.\n--- got ---\n${out}\n--- expected ---\n${expected}")
endif()
if(NOT rc STREQUAL EXIT_CODE)
  message(FATAL_ERROR "exit code ${rc}, expected ${EXIT_CODE}; stderr: ${err}")
endif()
