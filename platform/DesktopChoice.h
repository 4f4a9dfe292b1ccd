// Which back end a Linux desktop gets, and the reason said for it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/Platform.h"

struct TDesktopChoice {
  // The Wayland platform when it was chosen; null when X11 is to be opened.
  std::unique_ptr<TPlatform> Platform;
  // One line for stderr naming the back end and why ("Wayland back end (...)").
  std::string Reason;
  // Set when no back end may be opened (a bad BLASTOVER_PLATFORM, a forced Wayland
  // that failed); then the program says this and ends.
  std::string Error;
};

// Wayland when WAYLAND_DISPLAY is set and the compositor offers the layer shell, X11
// otherwise (which covers XWayland); BLASTOVER_PLATFORM ("x11" or "wayland") overrides.
// OpenWayland tries the Wayland back end: a platform, or null with the reason set.
TDesktopChoice ChooseDesktop(const std::string& forced, const std::string& waylandDisplay,
                             const std::function<std::unique_ptr<TPlatform>(std::string& why)>& openWayland);
