# Feeds the headless runner bad scripts and options, as people typing them do, and checks
# that each is refused with one line naming the fault, nothing on stdout and exit code 2,
# before any game runs.
set(folder "${WORK_DIR}/runner-input")
file(REMOVE_RECURSE "${folder}")
file(MAKE_DIRECTORY "${folder}")

function(expect_refusal what needle)
  execute_process(COMMAND "${RUNNER}" ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE error
                  TIMEOUT 60)
  if(NOT result STREQUAL "2" OR NOT output STREQUAL "" OR NOT error MATCHES "^blastover-headless: [^\n]*\n$")
    message(FATAL_ERROR "${what}: one line on stderr and exit code 2 expected\nexit: ${result}\nstdout:\n${output}\nstderr:\n${error}")
  endif()
  string(FIND "${error}" "${needle}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${what}: the line should say '${needle}'\n${error}")
  endif()
endfunction()

# Each bad script: its one line, and what the refusal should name.
set(scripts
    "screen 65536 65536|width from 100 to 16384"
    "screen 16384 16384|pixels"
    "screen -640 480|not '-640'"
    "at -5 click|not '-5'"
    "at 0 pointer 2147483647 -2147483648|not '2147483647'"
    "screen 640 480\nat 0 pointer 5000 10|at most a screen beyond"
    "at 0 move 10 10 -1|not '-1'"
    "seed -3|not '-3'"
    "sweep 0|not '0'"
    "end 4294967295|not '4294967295'"
    "at 10 click now|unexpected 'now'"
    "seed 12x|not '12x'"
    "at 10|expected 'at TIME ACTION")
set(number 0)
foreach(entry IN LISTS scripts)
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 line)
  list(GET parts 1 needle)
  string(REPLACE "\\n" "\n" line "${line}")
  math(EXPR number "${number} + 1")
  file(WRITE "${folder}/bad-${number}.script" "${line}\nend 1000\n")
  expect_refusal("script '${line}'" "${needle}" "${folder}/bad-${number}.script")
endforeach()

file(WRITE "${folder}/good.script" "screen 640 480\nend 100\n")
expect_refusal("a folder as the script" "is a folder" "${folder}")
expect_refusal("--games -5" "not '-5'" "${folder}/good.script" --games -5)
expect_refusal("--games 0" "not '0'" "${folder}/good.script" --games 0)
expect_refusal("--seed -1" "not '-1'" "${folder}/good.script" --seed -1)
expect_refusal("--snapshots into a missing folder" "not a folder" "${folder}/good.script" --snapshots "${folder}/missing")
expect_refusal("--games without a number" "needs a value" "${folder}/good.script" --games)

# Input without bounds: a device that never ends, a line that never ends, and control
# characters that would reach the terminal.
execute_process(COMMAND "${RUNNER}" /dev/zero RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE error
                TIMEOUT 2)
if(NOT result STREQUAL "2" OR NOT error MATCHES "^blastover-headless: /dev/zero:1: [^\n]*longer than 4096 bytes\n$")
  message(FATAL_ERROR "/dev/zero as the script: refused at once with exit code 2 expected\nexit: ${result}\n${error}")
endif()
string(REPEAT "x" 100000 word)
file(WRITE "${folder}/one-word.script" "${word}\nend 100\n")
expect_refusal("a line of 100000 bytes" "longer than 4096 bytes" "${folder}/one-word.script")
string(ASCII 27 escape)
string(ASCII 7 bell)
file(WRITE "${folder}/escape.script" "at 10 ${escape}[2J${escape}]0;title${bell}\nend 100\n")
expect_refusal("escape sequences in a line" "unknown action '\\x1B[2J\\x1B]0;title\\x07'" "${folder}/escape.script")
file(WRITE "${folder}/back.script" "at 500 press\nat 100 release\nend 1000\n")
expect_refusal("button changes going back in time" "button commands go back in time" "${folder}/back.script")
