// The running game's mark (a mutex in the session's namespace) and its messenger window.
#include "platform/win32/Win32SoleGame.h"

#include "platform/win32/Win32Text.h"

namespace {

constexpr const wchar_t* GameName = L"Blastover.RunningGame";

// The message a later start sends; registered, so that no other program means it by chance.
UINT ComeForwardMessage() {
  static const UINT message = RegisterWindowMessageW(L"Blastover.ComeForward");
  return message;
}

std::string SystemReason(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                          FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring reason = length > 0 ? std::wstring(text, length) : L"error " + std::to_wstring(code);
  LocalFree(text);
  while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r' || reason.back() == L'.'))
    reason.pop_back();
  return Narrow(reason);
}

}  // namespace

TWin32SoleGame::TWin32SoleGame(HINSTANCE instance, std::wstring name)
    : Instance(instance), Name(name.empty() ? GameName : std::move(name)) {}

TWin32SoleGame::~TWin32SoleGame() {
  if (Messenger != nullptr) DestroyWindow(Messenger);
  if (Mark != nullptr) CloseHandle(Mark);
}

std::wstring TWin32SoleGame::MessengerClass() const { return Name + L".Messenger"; }

TWin32SoleGame::TOutcome TWin32SoleGame::Take(std::function<void()> comeForward, std::string& error) {
  // "Local\" is the namespace of the player's session: other players on the same
  // computer (fast user switching, remote desktops) play games of their own.
  HANDLE mark = CreateMutexW(nullptr, FALSE, (L"Local\\" + Name).c_str());
  const DWORD code = GetLastError();
  if (mark == nullptr) {
    error = SystemReason(code);
    return TOutcome::Unavailable;
  }
  if (code == ERROR_ALREADY_EXISTS) {
    CloseHandle(mark);
    return TOutcome::HeldElsewhere;
  }
  Mark = mark;
  ComeForward = std::move(comeForward);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = MessengerProcedure;
  windowClass.hInstance = Instance;
  const std::wstring className = MessengerClass();
  windowClass.lpszClassName = className.c_str();
  RegisterClassExW(&windowClass);
  // A message-only window: never shown, never in a window list, found by its class.
  Messenger = CreateWindowExW(0, className.c_str(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, Instance, this);
  return TOutcome::Taken;
}

bool TWin32SoleGame::AskRunningGameForward() {
  const HWND running = FindWindowExW(HWND_MESSAGE, nullptr, MessengerClass().c_str(), nullptr);
  if (running == nullptr) return false;
  // The system gives the foreground only to a program the player has just used: this
  // start is that program, and lends its right to the running game.
  DWORD process = 0;
  GetWindowThreadProcessId(running, &process);
  AllowSetForegroundWindow(process);
  return PostMessageW(running, ComeForwardMessage(), 0, 0) != 0;
}

LRESULT CALLBACK TWin32SoleGame::MessengerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
  }
  auto* self = reinterpret_cast<TWin32SoleGame*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self != nullptr && message == ComeForwardMessage() && self->ComeForward) {
    self->ComeForward();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}
