// The desktop platform on Windows: the Win32 back end, and how a program without a console
// tells the player that it cannot start.
#include "platform/DesktopPlatform.h"

#include <exception>

#include "platform/win32/Win32Desktop.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Text.h"

std::unique_ptr<TPlatform> CreateDesktopPlatform(std::string& error) {
  // A session without an interactive desktop (a service, a locked-down remote start)
  // has no screen to play over.
  if (GetSystemMetrics(SM_CXSCREEN) <= 0 || GetSystemMetrics(SM_CYSCREEN) <= 0) {
    error = "there is no screen to play on in this session";
    return nullptr;
  }
  try {
    return std::make_unique<TWin32Platform>();
  } catch (const std::exception& failure) {
    error = failure.what();
    return nullptr;
  }
}

void ReportStartFailure(const std::string& text) {
  WarnDeveloper(text);
  MessageBoxW(nullptr, Widen(text).c_str(), L"Blastover", MB_OK | MB_ICONERROR | MB_TOPMOST | MB_SETFOREGROUND);
}
