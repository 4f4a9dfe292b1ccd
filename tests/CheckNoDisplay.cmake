# Runs the program with no display and checks its message and exit code.
execute_process(COMMAND "${CMAKE_COMMAND}" -E env --unset=WAYLAND_DISPLAY DISPLAY=:4095 "${PROGRAM}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE error TIMEOUT 20)
if(result EQUAL 0 OR NOT result MATCHES "^[0-9]+$")
  message(FATAL_ERROR "expected a failing exit code without a display, got '${result}'")
endif()
if(NOT error MATCHES "^blastover: cannot open display[^\n]*\n$")
  message(FATAL_ERROR "expected one line 'blastover: cannot open display ...' on stderr, got:\n${error}")
endif()
