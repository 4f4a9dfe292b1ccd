// The desktop platform on Linux: the X11 back end.
#include "platform/DesktopPlatform.h"

#include <cstdio>

#include "platform/x11/X11Platform.h"

std::unique_ptr<TPlatform> CreateDesktopPlatform(std::string& error) {
  return CreateX11Platform(error);
}

void ReportStartFailure(const std::string& text) { std::fprintf(stderr, "blastover: %s\n", text.c_str()); }
