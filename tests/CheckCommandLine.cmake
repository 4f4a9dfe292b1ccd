# Runs the program with --help, --version, a bad option and a bad volume, with no display
# to open, and checks what it says and its exit codes.
function(run_program)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E env --unset=WAYLAND_DISPLAY DISPLAY=:4095 "${PROGRAM}" ${ARGN}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE error TIMEOUT 20)
  set(result "${result}" PARENT_SCOPE)
  set(output "${output}" PARENT_SCOPE)
  set(error "${error}" PARENT_SCOPE)
endfunction()

function(fail what)
  message(FATAL_ERROR "${what}\nexit: ${result}\nstdout:\n${output}\nstderr:\n${error}")
endfunction()

run_program(--help)
if(NOT result STREQUAL "0" OR NOT error STREQUAL "")
  fail("--help should answer on stdout alone and exit 0")
endif()
foreach(needed "Usage: blastover" "Escape" "HISCORE.XML" "BLASTOVER_NO_SHM=1" "SDL_AUDIODRIVER=" "--volume N" "--mute")
  string(FIND "${output}" "${needed}" at)
  if(at EQUAL -1)
    fail("--help should say ${needed}")
  endif()
endforeach()

run_program(--version)
if(NOT result STREQUAL "0" OR NOT error STREQUAL "")
  fail("--version should answer on stdout alone and exit 0")
endif()
if(NOT output MATCHES "^Blastover ([^\n]*)\n" OR NOT CMAKE_MATCH_1 STREQUAL VERSION)
  fail("--version should name the project's version ${VERSION} first")
endif()
string(FIND "${output}" "\n  X11: " at)
if(at EQUAL -1)
  fail("--version should list the X11 back end")
endif()

run_program(--no-such-option)
if(NOT result STREQUAL "2" OR NOT output STREQUAL "" OR NOT error MATCHES "^blastover: [^\n]*--no-such-option[^\n]*\n$")
  fail("a bad option should give one line on stderr, nothing on stdout and exit code 2")
endif()

# A bad volume is no reason to refuse the game: said once, and the start goes on (to the
# missing display here).
run_program(--volume loud --volume=200)
if(NOT result STREQUAL "1" OR NOT error MATCHES "^blastover: 'loud' is not a volume[^\n]*\nblastover: cannot open display[^\n]*\n$")
  fail("a bad volume should be said in one line before the start goes on")
endif()
