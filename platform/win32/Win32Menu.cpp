// The menu window: a top-most window with a task-bar button that takes the focus when shown.
#include "platform/win32/Win32Menu.h"

#include <algorithm>
#include <functional>

namespace {

// A window of its own in the task bar and in Alt+Tab, as a small game window is.
constexpr DWORD MenuStyle = WS_EX_TOPMOST | WS_EX_APPWINDOW;
constexpr uint16_t FunctionKeyCount = 24;
// Keys named by what they do: Backspace, Tab, Clear, Enter, Pause, Escape, Space, the
// page, arrow and editing keys, and the keypad's operators.
constexpr uint16_t NamedKeys[] = {8, 9, 12, 13, 19, 27, 32, 33, 34, 35, 36, 37, 38, 39, 40,
                                  45, 46, 106, 107, 109, 110, 111};

}  // namespace

uint16_t GameKeyOf(WPARAM virtualKey) {
  const auto key = static_cast<uint16_t>(virtualKey);
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return key;
  if (key >= VK_NUMPAD0 && key <= VK_NUMPAD0 + 9) return key;
  if (key >= VK_F1 && key < VK_F1 + FunctionKeyCount) return key;
  return std::find(std::begin(NamedKeys), std::end(NamedKeys), key) != std::end(NamedKeys) ? key : 0;
}

TWin32MenuWindow::TWin32MenuWindow(TWin32Desktop& desktop) : TWin32Window(desktop, TWindowKind::Menu, MenuStyle) {}

void TWin32MenuWindow::SetBounds(int left, int top, int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  Desktop.Monitor().ToDesktop(left, top);
  if (width != Surface.Width() || height != Surface.Height()) Surface.Resize(width, height);
  SetWindowPos(Window, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWin32MenuWindow::Show() {
  if (Shown) return;
  ShowWindow(Window, SW_SHOW);
  Shown = true;
  BringToFront();
}

void TWin32MenuWindow::Hide() {
  if (!Shown) return;
  ShowWindow(Window, SW_HIDE);
  Shown = false;
}

void TWin32MenuWindow::BringToFront() {
  if (!Shown) return;
  TWin32Window::Raise();
  // The system lets a program take the foreground only in some situations (it has just
  // had input, say); the menu's own click in its middle is what makes sure of it.
  SetForegroundWindow(Window);
  SetFocus(Window);
}

LRESULT TWin32MenuWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN: {
      const uint16_t key = GameKeyOf(wParam);
      if (key == 0 || !OnKeyDown) return 0;
      // A copy: the handler may destroy this window, and with it OnKeyDown.
      const std::function<void(uint16_t)> handler = OnKeyDown;
      handler(key);
      return 0;
    }
    case WM_LBUTTONDOWN: {
      if (!OnMouseDown) return 0;
      const std::function<void(int, int)> handler = OnMouseDown;
      handler(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
      return 0;
    }
    case WM_DISPLAYCHANGE:
    case WM_DPICHANGED: {
      // Another resolution, a monitor gone or added, or another scale: the owner places
      // and sizes the window anew (rather than taking the system's suggested rectangle).
      if (!Shown || !OnScreenChanged) return 0;
      const std::function<void()> handler = OnScreenChanged;
      handler();
      return 0;
    }
    default:
      return TWin32Window::HandleMessage(message, wParam, lParam);
  }
}
