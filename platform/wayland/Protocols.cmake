# Generates the client glue of the Wayland protocols with wayland-scanner: a header and
# the interface tables, into one static library.
#   blastover_wayland_protocols(TARGET XML...)
enable_language(C)
find_program(WAYLAND_SCANNER wayland-scanner REQUIRED)
pkg_get_variable(WAYLAND_PROTOCOLS_DIR wayland-protocols pkgdatadir)
# tools/wlr-protocols keeps them in the user's cache, where the build looks unless told.
if(DEFINED ENV{BLASTOVER_CACHE})
  set(wlr_cache "$ENV{BLASTOVER_CACHE}")
elseif(DEFINED ENV{XDG_CACHE_HOME})
  set(wlr_cache "$ENV{XDG_CACHE_HOME}/blastover")
else()
  set(wlr_cache "$ENV{HOME}/.cache/blastover")
endif()
set(BLASTOVER_WLR_PROTOCOLS_DIR "${wlr_cache}/wlr-protocols" CACHE PATH
    "Folder of the wlroots protocol files (tools/wlr-protocols prints it)")
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
