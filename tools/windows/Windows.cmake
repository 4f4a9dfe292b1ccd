# The Windows back end, the program blastover.exe, and the tests that run under Wine.
# Included by the top-level CMakeLists.txt when cross-building for Windows.
add_compile_definitions(UNICODE _UNICODE _WIN32_WINNT=0x0A00)

file(GLOB win32_sources CONFIGURE_DEPENDS platform/win32/*.cpp)
list(FILTER win32_sources EXCLUDE REGEX ".*/(StbPngCodec|DesktopPlatformWindows)\\.cpp$")
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
# The game builds for Windows once its file access goes through the platform.
option(BLASTOVER_WINDOWS_GAME "Build the game, its suite and blastover.exe for Windows" OFF)
if(NOT BLASTOVER_WINDOWS_GAME)
  set_target_properties(blastover_game blastover_headless PROPERTIES EXCLUDE_FROM_ALL ON)
else()
  set(BLASTOVER_MANIFEST "${CMAKE_BINARY_DIR}/generated/Blastover.manifest")
  configure_file(platform/win32/Blastover.manifest "${BLASTOVER_MANIFEST}" @ONLY)
  configure_file(platform/win32/Blastover.rc.in "${CMAKE_BINARY_DIR}/generated/Blastover.rc" @ONLY)
  add_executable(blastover WIN32 app/Main.cpp platform/win32/DesktopPlatformWindows.cpp
                 "${CMAKE_BINARY_DIR}/generated/Blastover.rc")
  target_link_libraries(blastover PRIVATE blastover_game blastover_win32)
  add_custom_command(TARGET blastover POST_BUILD
    COMMAND "${CMAKE_COMMAND}" -E copy_if_different "${CMAKE_SOURCE_DIR}/share/homepage.html"
            "$<TARGET_FILE_DIR:blastover>/homepage.html")
endif()

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
