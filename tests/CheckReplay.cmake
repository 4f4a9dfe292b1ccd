# Replays a scripted game twice with the headless runner: both summaries must be the
# same, and the same as the committed expectation. After a change to the game's rules,
# write the new expectation with: blastover-headless SCRIPT > EXPECTED
# EMULATOR runs a runner built for another system (Wine for Windows), which finds the
# script under PATH_PREFIX (Wine's drive Z:); its lines may end in CR LF.
foreach(run 1 2)
  execute_process(COMMAND ${EMULATOR} "${RUNNER}" "${PATH_PREFIX}${SCRIPT}" --check RESULT_VARIABLE result
                  OUTPUT_VARIABLE summary${run} ERROR_VARIABLE error TIMEOUT 600)
  string(REPLACE "\r\n" "\n" summary${run} "${summary${run}}")
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "the runner failed (${result}): ${error}")
  endif()
endforeach()
if(NOT summary1 STREQUAL summary2)
  message(FATAL_ERROR "two runs of the same script differ:\n${summary1}\n---\n${summary2}")
endif()
file(READ "${EXPECTED}" expected)
if(NOT summary1 STREQUAL expected)
  message(FATAL_ERROR "the replay differs from ${EXPECTED}:\n--- expected\n${expected}\n--- got\n${summary1}")
endif()
