# Runs the program's batch job on the samples in a fresh folder WORK (with
# ./data linked to DATA unless DATA is empty) and checks its exit code against
# EXIT_CODE; on success the output pathway and its side files must exist and
# stdout must hold the 100 layout trace lines. EXPERIMENTS, when given, replaces
# the two sample experiment files; given empty, no protein may carry colours.
if(NOT DEFINED EXPERIMENTS)
  set(EXPERIMENTS ${SAMPLES}/egf_5min.txt ${SAMPLES}/egf_30min.txt)
  set(COLOURS TRUE)
endif()
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
if(DATA)
  file(CREATE_LINK ${DATA} ${WORK}/data SYMBOLIC)
endif()
execute_process(COMMAND ${PROGRAM}
    -p ${SAMPLES}/egfr.pth -o ${WORK}/out.pth
    -e ${EXPERIMENTS} -c ${SAMPLES}/batch.cfg
  WORKING_DIRECTORY ${WORK}
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc STREQUAL EXIT_CODE)
  message(FATAL_ERROR "exit code ${rc}, expected ${EXIT_CODE}; stderr: ${err}")
endif()
if(EXIT_CODE STREQUAL "0")
  foreach(f out.pth out.pth.cache out_img.png)
    if(NOT EXISTS ${WORK}/${f})
      message(FATAL_ERROR "${f} was not written; stderr: ${err}")
    endif()
  endforeach()
  string(REGEX MATCHALL "pathwaylayouet [0-9]+\n" passes "${out}")
  list(LENGTH passes n)
  if(NOT n EQUAL 100)
    message(FATAL_ERROR "${n} layout trace lines, expected 100")
  endif()
  file(READ ${WORK}/out.pth written)
  string(FIND "${written}" "heatmap" colours)
  if(COLOURS AND colours EQUAL -1)
    message(FATAL_ERROR "no protein carries experiment colours")
  elseif(NOT COLOURS AND NOT colours EQUAL -1)
    message(FATAL_ERROR "experiment colours without experiment files")
  endif()
else()
  if(EXISTS ${WORK}/out.pth)
    message(FATAL_ERROR "a failed run wrote out.pth")
  endif()
  if(err STREQUAL "")
    message(FATAL_ERROR "a failed run said nothing on stderr")
  endif()
endif()
file(REMOVE_RECURSE ${WORK})
