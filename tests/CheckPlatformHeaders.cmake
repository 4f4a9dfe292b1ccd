# Fails when a source outside platform/ includes a header of the operating system, the
# windowing system or the audio system: all of that goes through the platform's
# interface. The tests of the back ends themselves (tests/x11, tests/posix, tests/win32 and
# tests/wine, which watch the Windows back end under Wine), the kill test
# of real processes (tests/reliability) and the probe that watches the real program's
# X11 calls (tools/benchprobe) are the exceptions, and are not read.
file(GLOB_RECURSE sources
     "${SOURCE_DIR}/app/*" "${SOURCE_DIR}/sprites/*" "${SOURCE_DIR}/game/*" "${SOURCE_DIR}/menu/*"
     "${SOURCE_DIR}/sound/*" "${SOURCE_DIR}/support/*" "${SOURCE_DIR}/tests/unit/*" "${SOURCE_DIR}/tests/fuzz/*"
     "${SOURCE_DIR}/bench/*" "${SOURCE_DIR}/tools/runner/*" "${SOURCE_DIR}/tools/contactsheet/*"
     "${SOURCE_DIR}/tools/synth/*")
list(FILTER sources INCLUDE REGEX "\\.(h|hpp|cpp|cc|def)$")
# POSIX and Linux headers by name and by folder, Windows, X11 and its kin, SDL, Wayland, audio.
set(posix "unistd|fcntl|poll|signal|dlfcn|pthread|dirent|pwd|grp|spawn|termios|malloc|semaphore|sched|netdb|syslog|mqueue|glob|wordexp|libgen|strings")
set(windows "[Ww]indows|[Ww]inbase|[Ww]inuser|[Ww]indef|[Ww]innt|[Ss]hlobj|[Ss]hellapi|[Mm]msystem|[Ww]incodec|[Xx]audio2|[Dd]wmapi|[Oo]bjbase|[Ww]insock2?|[Pp]rocess|[Ii]o|[Dd]irect")
set(folders "sys|linux|asm|arpa|netinet|X11|xcb|SDL2?|wayland|xkbcommon|alsa|pulse|pipewire|GL|EGL|GLES2|vulkan")
set(pattern "#[ \t]*include[ \t]*[<\"](((${posix})\\.h)|((${windows})\\.h)|((${folders})/[^>\"]*)|(SDL[^>\"]*\\.h)|(wayland-[^>\"]*\\.h))[>\"]")
set(offenders "")
foreach(source IN LISTS sources)
  file(STRINGS "${source}" hits REGEX "${pattern}")
  if(hits)
    list(APPEND offenders "${source}: ${hits}")
  endif()
endforeach()
if(offenders)
  string(REPLACE ";" "\n" offenders "${offenders}")
  message(FATAL_ERROR "system headers outside platform/:\n${offenders}")
endif()
