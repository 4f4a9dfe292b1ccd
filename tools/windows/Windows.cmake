# The Windows back end, the program blastover.exe, and the tests that run under Wine.
# Included by the top-level CMakeLists.txt when cross-building for Windows.
add_compile_definitions(UNICODE _UNICODE _WIN32_WINNT=0x0A00)

# What every program of the Windows build shares (the file system, text, memory) is in
# blastover_platform; the rest of platform/win32/ is the back end.
file(GLOB win32_sources CONFIGURE_DEPENDS platform/win32/*.cpp)
list(FILTER win32_sources EXCLUDE REGEX ".*/(StbPngCodec|Win32Memory|Win32FileSystem|Win32Text)\\.cpp$")
add_library(blastover_win32 STATIC ${win32_sources})
target_link_libraries(blastover_win32 PUBLIC blastover_platform PRIVATE winmm shell32 ole32 uuid user32 gdi32)

# GoogleTest from Debian's sources, built with the cross compiler.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
enable_testing()

# The back end's own tests, run under Wine (on a private X server for the windows).
file(GLOB win32_test_sources CONFIGURE_DEPENDS tests/win32/*.cpp)
add_executable(blastover_win32_tests ${win32_test_sources})
target_link_libraries(blastover_win32_tests PRIVATE blastover_win32 gtest gmock gtest_main)
add_test(NAME Win32BackEnd COMMAND blastover_win32_tests)
set_tests_properties(Win32BackEnd PROPERTIES TIMEOUT 300 LABELS windows)

# The program the Wine desktop tests (tests/wine/, built on Linux) drive the back end with.
add_executable(blastover-probe tests/win32probe/ProbeMain.cpp)
target_link_libraries(blastover-probe PRIVATE blastover_win32)

# blastover.exe: a program without a console, its version and manifest as resources.
set(BLASTOVER_MANIFEST "${CMAKE_BINARY_DIR}/generated/Blastover.manifest")
configure_file(platform/win32/Blastover.manifest "${BLASTOVER_MANIFEST}" @ONLY)
# The game's icon at every size Windows asks for, 16 to 256 pixels, drawn by the icon's
# painter (built for Windows, so run under Wine) into one .ico file.
add_executable(blastover-icon tools/icon/Main.cpp)
target_link_libraries(blastover-icon PRIVATE blastover_icon_lib)
set(BLASTOVER_ICON "${CMAKE_BINARY_DIR}/generated/blastover.ico")
add_custom_command(OUTPUT "${BLASTOVER_ICON}"
  COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:blastover-icon> --ico "Z:${BLASTOVER_ICON}"
          16 20 24 32 40 48 64 128 256
  COMMAND "${CMAKE_CROSSCOMPILING_EMULATOR}" --end-server
  DEPENDS blastover-icon
  COMMENT "Drawing the Windows icon"
  VERBATIM)
configure_file(platform/win32/Blastover.rc.in "${CMAKE_BINARY_DIR}/generated/Blastover.rc" @ONLY)
set_source_files_properties("${CMAKE_BINARY_DIR}/generated/Blastover.rc" PROPERTIES OBJECT_DEPENDS "${BLASTOVER_ICON}")
# --version and --help name the back end built in.
set(BLASTOVER_BACK_ENDS Win32BackEndInfo)
include(tools/BuildInfo.cmake)
blastover_build_info("${CMAKE_BINARY_DIR}/generated/BuildInfo.cpp")
add_executable(blastover WIN32 app/Main.cpp "${CMAKE_BINARY_DIR}/generated/BuildInfo.cpp"
               "${CMAKE_BINARY_DIR}/generated/Blastover.rc")
target_link_libraries(blastover PRIVATE blastover_game blastover_win32)
add_custom_command(TARGET blastover POST_BUILD
  COMMAND "${CMAKE_COMMAND}" -E copy_if_different "${CMAKE_SOURCE_DIR}/share/homepage.html"
          "$<TARGET_FILE_DIR:blastover>/homepage.html")

# The platform-independent suite, the same tests as on Linux, run under Wine: one test
# program is one test here (each start of Wine costs a moment); its own report names
# every case that failed.
add_subdirectory(tools/synth)
add_subdirectory(tools/runner)
# The icon's painter, which the suite tests; the icon files themselves are Linux's.
add_library(blastover_icon_lib STATIC tools/icon/IconPainter.cpp tools/icon/IconFile.cpp)
target_link_libraries(blastover_icon_lib PUBLIC blastover_platform)
file(GLOB unit_sources CONFIGURE_DEPENDS tests/unit/*.cpp)
# The installed layout (PREFIX/bin, $XDG_DATA_HOME) is Linux's: a Windows player unpacks
# the program anywhere, and the Windows file system's tests cover its data folder.
list(FILTER unit_sources EXCLUDE REGEX ".*/GameFoldersTest\\.cpp$")
add_executable(blastover_tests ${unit_sources})
target_link_libraries(blastover_tests PRIVATE blastover_game blastover_headless blastover_synth_lib
                      blastover_icon_lib gtest gmock gtest_main)
add_test(NAME WindowsSuite COMMAND blastover_tests)
set_tests_properties(WindowsSuite PROPERTIES TIMEOUT 600 LABELS windows)

# The replays give the summaries committed for Linux, byte for byte.
file(GLOB replay_scripts CONFIGURE_DEPENDS tests/replays/*.script)
foreach(script IN LISTS replay_scripts)
  get_filename_component(name "${script}" NAME_WE)
  string(REGEX REPLACE "\\.script$" ".expected" expected "${script}")
  add_test(NAME WindowsReplay.${name}
           COMMAND "${CMAKE_COMMAND}" "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}" -DPATH_PREFIX=Z:
                   -DRUNNER=$<TARGET_FILE:blastover-headless> -DSCRIPT=${script} -DEXPECTED=${expected}
                   -P "${CMAKE_SOURCE_DIR}/tests/CheckReplay.cmake")
  set_tests_properties(WindowsReplay.${name} PROPERTIES TIMEOUT 600 LABELS windows)
endforeach()

# The programs import only DLLs that ship with Windows 10.
set(checked_programs "$<TARGET_FILE:blastover-probe>")
if(TARGET blastover)
  list(APPEND checked_programs "$<TARGET_FILE:blastover>")
endif()
find_program(BLASTOVER_OBJDUMP x86_64-w64-mingw32-objdump REQUIRED)
add_test(NAME ProgramsImportOnlyWhatWindowsShips
         COMMAND "${CMAKE_COMMAND}" -DOBJDUMP=${BLASTOVER_OBJDUMP} "-DPROGRAMS=${checked_programs}"
                 -P "${CMAKE_SOURCE_DIR}/tests/CheckImports.cmake")
set_tests_properties(ProgramsImportOnlyWhatWindowsShips PROPERTIES LABELS windows)
