// The desktop platform on Windows: the Win32 back end.
#include "platform/DesktopPlatform.h"

#include "platform/win32/Win32Platform.h"

std::unique_ptr<TPlatform> CreateDesktopPlatform(std::string&) { return std::make_unique<TWin32Platform>(); }
