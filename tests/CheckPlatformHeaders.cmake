# Fails when a source outside platform/ (and the X11 tests) includes an X11, SDL or audio header.
file(GLOB_RECURSE sources "${SOURCE_DIR}/app/*" "${SOURCE_DIR}/sprites/*" "${SOURCE_DIR}/game/*"
     "${SOURCE_DIR}/menu/*" "${SOURCE_DIR}/sound/*" "${SOURCE_DIR}/support/*" "${SOURCE_DIR}/tests/unit/*"
     "${SOURCE_DIR}/bench/*")
set(offenders "")
foreach(source IN LISTS sources)
  file(STRINGS "${source}" hits REGEX "#[ \t]*include[ \t]*[<\"](X11/|SDL|alsa/|pulse/|xcb/)")
  if(hits)
    list(APPEND offenders "${source}: ${hits}")
  endif()
endforeach()
if(offenders)
  string(REPLACE ";" "\n" offenders "${offenders}")
  message(FATAL_ERROR "windowing or audio headers outside platform/:\n${offenders}")
endif()
