// The Windows platform: the message loop and its waits, the desktop-wide services, and what it delegates.
#include "platform/win32/Win32Platform.h"

#include "platform/PngCodec.h"
#include "platform/win32/Win32Api.h"

#include <objbase.h>

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

#include "platform/win32/Win32Audio.h"
#include "platform/win32/Win32Cursors.h"
#include "platform/win32/Win32Desktop.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Input.h"
#include "platform/win32/Win32Menu.h"
#include "platform/win32/Win32Overlay.h"
#include "platform/win32/Win32SoleGame.h"
#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32TextRenderer.h"

namespace {

constexpr const char* CursorMarkerName = "CURSORS.REPLACED";
// The frame loop sleeps to its deadline: waits must end within a millisecond of it, not
// at the system's default tick of about 15.6 ms.
constexpr UINT TimerPeriodMs = 1;

// The last system error as the C library's number, for the support library's messages.
void SetErrnoFrom(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_NO_ASSOCIATION:
      errno = ENOENT;
      return;
    case ERROR_ACCESS_DENIED:
      errno = EACCES;
      return;
    default:
      errno = EINVAL;
  }
}

}  // namespace

// Message boxes asked for on other threads, for the thread that owns the windows.
struct TPostedBoxes {
  SRWLOCK Lock = SRWLOCK_INIT;
  std::vector<std::pair<std::string, std::string>> Boxes;
};

TWin32Parts::TWin32Parts() = default;
TWin32Parts::TWin32Parts(TWin32Parts&&) noexcept = default;
TWin32Parts::~TWin32Parts() = default;

TWin32Platform::TWin32Platform() : TWin32Platform(TWin32Parts()) {}

TWin32Platform::TWin32Platform(TWin32Parts parts)
    : UiThread(GetCurrentThreadId()),
      // First of all, so that every part made below finds the apartment in place.
      ComStarted(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))),
      Posted(std::make_unique<TPostedBoxes>()),
      FileSystem(std::make_unique<TWin32FileSystem>()),
      Desktop(std::make_unique<TWin32Desktop>(std::move(parts.Monitors))),
      Input(std::make_unique<TWin32Input>()),
      SoleGame(std::make_unique<TWin32SoleGame>(Desktop->Instance(), std::move(parts.SoleGameName))) {
  timeBeginPeriod(TimerPeriodMs);
  std::string marker = parts.CursorMarker;
  if (marker.empty()) {
    marker = FileSystem->DataFolder();
    FileSystem->MakeFolder(marker);
    marker += CursorMarkerName;
  }
  Cursors = std::make_unique<TWin32Cursors>(std::move(parts.Cursors), marker);
  Audio = std::make_unique<TWin32Audio>([this](const std::string& text) { Warn(text); });
  if (!Input->SeesQuickPresses()) Warn("no raw input: clicks shorter than the game's poll may be missed");
  Desktop->OnSessionEnding = [this] { RunEndingHandler(); };
}

TWin32Platform::~TWin32Platform() {
  SoleGame.reset();
  Audio.reset();
  Cursors.reset();
  timeEndPeriod(TimerPeriodMs);
  if (ComStarted) CoUninitialize();
}

void TWin32Platform::Warn(const std::string& text) { Desktop->Warn(text); }

uint32_t TWin32Platform::TickCount() {
  // Milliseconds since the system started, wrapping at 2^32 as GetTickCount does, but
  // to the millisecond rather than to the system tick.
  return timeGetTime();
}

void TWin32Platform::ProcessMessages() {
  // Only what is there now: a stream of input must not keep the loop here.
  MSG message;
  for (int budget = 1000; budget > 0 && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); --budget) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  ShowPostedBoxes();
  Timers().FireDue(TickCount());
}

void TWin32Platform::WaitForMessage(uint32_t timeoutMs) {
  uint32_t wait = timeoutMs;
  if (const std::optional<uint32_t> due = Timers().TimeToNextDue(TickCount())) wait = std::min(wait, *due);
  if (wait == 0) return;
  // Wakes for any message, including those already in the queue when it was called.
  MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

TScreenSize TWin32Platform::ScreenSize() {
  const TMonitorRect monitor = Desktop->Monitor().Current();
  return {monitor.Width, monitor.Height};
}

double TWin32Platform::InterfaceScale() {
  constexpr double OrdinaryDpi = 96.0;
  const TMonitorRect area = Desktop->Monitor().Current();
  HMONITOR monitor = MonitorFromPoint({area.Left + area.Width / 2, area.Top + area.Height / 2}, MONITOR_DEFAULTTONEAREST);
  // Each monitor's own setting, where the system has it (Windows 8.1 on).
  using TGetDpiForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  static const auto getDpiForMonitor = [] {
    HMODULE shcore = LoadLibraryW(L"shcore.dll");
    return shcore != nullptr ? reinterpret_cast<TGetDpiForMonitor>(reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")))
                             : nullptr;
  }();
  constexpr int EffectiveDpi = 0;
  UINT dpiX = 0, dpiY = 0;
  if (getDpiForMonitor != nullptr && SUCCEEDED(getDpiForMonitor(monitor, EffectiveDpi, &dpiX, &dpiY)) && dpiX > 0)
    return dpiX / OrdinaryDpi;
  HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi / OrdinaryDpi : 1.0;
}

std::unique_ptr<TTextRenderer> TWin32Platform::CreateTextRenderer(int pixelSize) {
  std::string whyNot;
  std::unique_ptr<TTextRenderer> renderer = CreateGdiTextRenderer(pixelSize, whyNot);
  if (renderer == nullptr) Desktop->Warn("dialogs show their text in the game's own letters, ASCII only: " + whyNot);
  return renderer;
}

std::unique_ptr<TPlatformWindow> TWin32Platform::CreateWindow(TWindowKind kind) {
  if (kind == TWindowKind::Overlay) return std::make_unique<TWin32OverlayWindow>(*Desktop);
  return std::make_unique<TWin32MenuWindow>(*Desktop);
}

void TWin32Platform::BringToFront() {
  const std::vector<TWin32Window*> windows = Desktop->AllWindows();
  for (TWin32Window* window : windows)
    if (window->Kind() == TWindowKind::Overlay) window->Raise();
  // Only the menu takes the focus: during play the player's application keeps it.
  for (TWin32Window* window : windows)
    if (window->Kind() == TWindowKind::Menu) static_cast<TWin32MenuWindow*>(window)->BringToFront();
}

bool TWin32Platform::IsApplicationActive() { return Desktop->IsOwnWindow(GetForegroundWindow()); }

bool TWin32Platform::GetPointerPos(int& x, int& y) {
  POINT pointer{};
  if (!GetCursorPos(&pointer)) return false;
  x = pointer.x;
  y = pointer.y;
  Desktop->Monitor().ToMonitor(x, y);
  return true;
}

void TWin32Platform::SetPointerPos(int x, int y) {
  Desktop->Monitor().ToDesktop(x, y);
  SetCursorPos(x, y);
}

void TWin32Platform::InjectLeftClick() {
  INPUT clicks[2]{};
  clicks[0].type = clicks[1].type = INPUT_MOUSE;
  // An input sent is the mouse's own button: with the buttons swapped, the right one
  // is the player's first.
  const bool swapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
  clicks[0].mi.dwFlags = swapped ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
  clicks[1].mi.dwFlags = swapped ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
  SendInput(2, clicks, sizeof clicks[0]);
}

unsigned TWin32Platform::MouseButtonsDown() { return Input->MouseButtonsDown(); }

bool TWin32Platform::EscapeHeld() { return Input->EscapeHeld(); }

void TWin32Platform::ForgetPresses() { Input->ForgetPresses(); }

bool TWin32Platform::InstallCursor(const std::string& name) {
  const std::span<const uint8_t> data = ::FindResource(TResourceKind::Cursor, name);
  if (data.empty()) return false;
  try {
    const TDecodedPng cursor = DecodePng(data);
    // A PNG carries no hot spot: the cursors point with their top-left corner.
    return InstallCursorPicture({cursor.Pixels.data(), cursor.Width, cursor.Height, cursor.Width}, 0, 0);
  } catch (const EPngError& error) {
    Warn("cursor " + name + ": " + error.what());
    return false;
  }
}

bool TWin32Platform::InstallCursorPicture(const TPixelView& picture, int hotX, int hotY) {
  HCURSOR cursor = MakeCursor(picture, hotX, hotY);
  const bool installed = Cursors->Install(cursor);
  if (cursor != nullptr) DestroyCursor(cursor);
  return installed;
}

void TWin32Platform::RestoreCursors() { Cursors->Restore(); }

bool TWin32Platform::PlaySound(const std::string& name) { return Audio->Play(name); }

void TWin32Platform::SetSoundVolume(int percent) { Audio->SetVolume(percent); }

bool TWin32Platform::SoundAvailable() const { return Audio->Available(); }

float TWin32Platform::SoundMixVolume() const { return Audio->MixVolume(); }

bool TWin32Platform::OpenAddress(const std::string& address, TOpenFailureHandler /*onLaterFailure*/) {
  // The shell hands the address to the browser and answers at once, success or failure:
  // nothing is left to watch, so nothing fails later.
  if (address.empty()) return false;
  const std::wstring target = Widen(address);
  SHELLEXECUTEINFOW execute{};
  execute.cbSize = sizeof execute;
  // Our own message says what failed; the shell's would be a second one.
  execute.fMask = SEE_MASK_FLAG_NO_UI;
  execute.lpVerb = L"open";
  execute.lpFile = target.c_str();
  execute.nShow = SW_SHOWNORMAL;
  if (ShellExecuteExW(&execute)) return true;
  const auto result = reinterpret_cast<INT_PTR>(execute.hInstApp);
  SetErrnoFrom(result == SE_ERR_NOASSOC ? ERROR_NO_ASSOCIATION : GetLastError());
  return false;
}

bool TWin32Platform::StartProgram(const std::string& commandLine, bool wait) {
  std::wstring line = Widen(commandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    SetErrnoFrom(GetLastError());
    return false;
  }
  if (wait) WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

void TWin32Platform::ShowMessageBox(const std::string& caption, const std::string& text) {
  if (GetCurrentThreadId() != UiThread) {
    AcquireSRWLockExclusive(&Posted->Lock);
    Posted->Boxes.emplace_back(caption, text);
    ReleaseSRWLockExclusive(&Posted->Lock);
    // Wakes the thread's wait for messages.
    PostThreadMessageW(UiThread, WM_NULL, 0, 0);
    return;
  }
  HWND owner = nullptr;
  for (TWin32Window* window : Desktop->AllWindows())
    if (window->Kind() == TWindowKind::Menu && window->IsVisible()) owner = window->Handle();
  // The box runs a message loop of its own; the program's timers wait until it is closed.
  Timers().Hold();
  MessageBoxW(owner, Widen(text).c_str(), Widen(caption).c_str(), MB_OK | MB_TOPMOST | MB_SETFOREGROUND);
  Timers().Release();
}

void TWin32Platform::ShowPostedBoxes() {
  AcquireSRWLockExclusive(&Posted->Lock);
  std::vector<std::pair<std::string, std::string>> boxes = std::move(Posted->Boxes);
  Posted->Boxes.clear();
  ReleaseSRWLockExclusive(&Posted->Lock);
  for (const auto& [caption, text] : boxes) ShowMessageBox(caption, text);
}

bool TWin32Platform::BecomeSoleGame(std::string& message) {
  std::string error;
  switch (SoleGame->Take([this] { BringToFront(); }, error)) {
    case TWin32SoleGame::TOutcome::Taken:
      Cursors->RepairAfterKilledRun();
      return true;
    case TWin32SoleGame::TOutcome::Unavailable:
      Warn("another copy of the game could start beside this one: " + error);
      Cursors->RepairAfterKilledRun();
      return true;
    case TWin32SoleGame::TOutcome::HeldElsewhere:
      break;
  }
  message = std::string("a game is already running on this desktop") +
            (SoleGame->AskRunningGameForward() ? ": it was brought to the front" : "");
  return false;
}
