// Choosing between the Wayland and X11 back ends from the environment and what the compositor offers.
#include "platform/DesktopChoice.h"

TDesktopChoice ChooseDesktop(const std::string& forced, const std::string& waylandDisplay,
                             const std::function<std::unique_ptr<TPlatform>(std::string& why)>& openWayland) {
  TDesktopChoice choice;
  if (forced == "x11") {
    choice.Reason = "X11 back end (BLASTOVER_PLATFORM=x11)";
    return choice;
  }
  if (!forced.empty() && forced != "wayland") {
    choice.Error = "BLASTOVER_PLATFORM must be x11 or wayland, not \"" + forced + "\"";
    return choice;
  }
  if (forced.empty() && waylandDisplay.empty()) {
    choice.Reason = "X11 back end (WAYLAND_DISPLAY is not set)";
    return choice;
  }
  std::string why;
  choice.Platform = openWayland(why);
  if (choice.Platform) {
    choice.Reason = forced.empty() ? "Wayland back end (the compositor at WAYLAND_DISPLAY=" + waylandDisplay +
                                         " offers the layer shell)"
                                   : "Wayland back end (BLASTOVER_PLATFORM=wayland)";
  } else if (!forced.empty()) {
    choice.Error = why;
  } else {
    choice.Reason = "X11 back end, through XWayland where the compositor runs it (" + why + ")";
  }
  return choice;
}
