# Generates the client glue of the Wayland protocols with wayland-scanner: a header and
# the interface tables, into one static library.
#   blastover_wayland_protocols(TARGET XML...)
enable_language(C)
find_program(WAYLAND_SCANNER wayland-scanner REQUIRED)
pkg_get_variable(WAYLAND_PROTOCOLS_DIR wayland-protocols pkgdatadir)
set(BLASTOVER_WLR_PROTOCOLS_DIR "/usr/local/share/blastover/wlr-protocols" CACHE PATH
    "Folder of the wlroots protocol files (tools/wlr-protocols puts them there)")
if(NOT EXISTS "${BLASTOVER_WLR_PROTOCOLS_DIR}/wlr-layer-shell-unstable-v1.xml")
  message(FATAL_ERROR "No wlroots protocol files in ${BLASTOVER_WLR_PROTOCOLS_DIR}: run tools/wlr-protocols")
endif()

function(blastover_wayland_protocols target)
  set(out "${CMAKE_BINARY_DIR}/generated/${target}")
  file(MAKE_DIRECTORY "${out}")
  set(sources)
  foreach(xml IN LISTS ARGN)
    get_filename_component(name "${xml}" NAME_WE)
    add_custom_command(OUTPUT "${out}/${name}-client.h" "${out}/${name}.c"
      COMMAND "${WAYLAND_SCANNER}" client-header "${xml}" "${out}/${name}-client.h"
      COMMAND "${WAYLAND_SCANNER}" private-code "${xml}" "${out}/${name}.c"
      DEPENDS "${xml}" VERBATIM)
    list(APPEND sources "${out}/${name}-client.h" "${out}/${name}.c")
  endforeach()
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC "${out}")
  target_link_libraries(${target} PUBLIC PkgConfig::WAYLANDLIBS)
endfunction()
