# The hands and eyes of the tests inside a compositor's session; tools/bench drives the
# game on Wayland with it too, so a build without the tests makes it as well.
pkg_check_modules(GIO REQUIRED IMPORTED_TARGET gio-unix-2.0)

blastover_wayland_protocols(blastover_probe_protocols
  "${BLASTOVER_WLR_PROTOCOLS_DIR}/wlr-virtual-pointer-unstable-v1.xml"
  "${BLASTOVER_WLR_PROTOCOLS_DIR}/virtual-keyboard-unstable-v1.xml"
  "/usr/share/plasma-wayland-protocols/fake-input.xml"
  "/usr/share/plasma-wayland-protocols/kde-output-device-v2.xml"
  "/usr/share/plasma-wayland-protocols/kde-output-management-v2.xml"
  "${WAYLAND_PROTOCOLS_DIR}/stable/xdg-shell/xdg-shell.xml")
add_executable(blastover-wayland-probe "${CMAKE_CURRENT_LIST_DIR}/WaylandProbe.cpp"
                                       "${CMAKE_CURRENT_LIST_DIR}/MutterInput.cpp")
target_link_libraries(blastover-wayland-probe PRIVATE blastover_platform blastover_probe_protocols PkgConfig::GIO)
set_target_properties(blastover-wayland-probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests/wayland")
