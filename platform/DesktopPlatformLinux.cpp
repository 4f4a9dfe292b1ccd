// The desktop platform on Linux: the X11 back end.
#include "platform/DesktopPlatform.h"

#include "platform/x11/X11Platform.h"

std::unique_ptr<TPlatform> CreateDesktopPlatform(std::string& error) {
  return CreateX11Platform(error);
}
