// The desktop platform on Windows: the Win32 back end, and how a program without a console
// tells the player that it cannot start.
#include "platform/DesktopPlatform.h"

#include <cstdio>
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

void UseParentConsole() {
  // Started from a console, a program of the desktop has no standard handles and its
  // answers would go nowhere; output sent to a file or a pipe has its handle and keeps it.
  const auto missing = [](DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    return handle == nullptr || handle == INVALID_HANDLE_VALUE;
  };
  const bool noOutput = missing(STD_OUTPUT_HANDLE), noErrors = missing(STD_ERROR_HANDLE);
  if ((!noOutput && !noErrors) || !AttachConsole(ATTACH_PARENT_PROCESS)) return;
  if (noOutput && std::freopen("CONOUT$", "w", stdout) == nullptr) return;
  if (noErrors) std::freopen("CONOUT$", "w", stderr);
}

void ReportStartFailure(const std::string& text) {
  WarnDeveloper(text);
  MessageBoxW(nullptr, Widen(text).c_str(), L"Blastover", MB_OK | MB_ICONERROR | MB_TOPMOST | MB_SETFOREGROUND);
}

// The cursors are given back in the crashing process itself here (TWin32Cursors): no helper runs.
std::optional<int> RunPlatformHelper(int, char**) { return std::nullopt; }
