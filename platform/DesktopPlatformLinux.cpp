// The desktop platform on Linux: the Wayland back end where the compositor offers the layer shell, X11 otherwise.
#include "platform/DesktopPlatform.h"

#include <cstdio>
#include <cstdlib>

#include "platform/DesktopChoice.h"
#include "platform/wayland/WaylandPlatform.h"
#include "platform/x11/X11Guard.h"
#include "platform/x11/X11Platform.h"

namespace {

const char* Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

std::unique_ptr<TPlatform> CreateDesktopPlatform(std::string& error) {
  TDesktopChoice choice =
      ChooseDesktop(Environment("BLASTOVER_PLATFORM"), Environment("WAYLAND_DISPLAY"), [](std::string& why) {
        // Only a connection tells whether the compositor offers the layer shell.
        return CreateWaylandPlatform(why);
      });
  if (!choice.Error.empty()) {
    error = choice.Error;
    return nullptr;
  }
  std::unique_ptr<TPlatform> platform = choice.Platform ? std::move(choice.Platform) : CreateX11Platform(error);
  if (platform) std::fprintf(stderr, "blastover: %s\n", choice.Reason.c_str());
  return platform;
}

void ReportStartFailure(const std::string& text) { std::fprintf(stderr, "blastover: %s\n", text.c_str()); }

// A program started from a terminal writes to it already.
void UseParentConsole() {}

std::optional<int> RunPlatformHelper(int argc, char** argv) { return TX11Guard::RunRestoreMode(argc, argv); }
