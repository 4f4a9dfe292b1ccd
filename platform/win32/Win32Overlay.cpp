// The overlay: a colour-keyed, top-most, never-activated layered window over the game's monitor.
#include "platform/win32/Win32Overlay.h"

namespace {

constexpr DWORD OverlayStyle = WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;

}  // namespace

TWin32OverlayWindow::TWin32OverlayWindow(TWin32Desktop& desktop)
    : TWin32Window(desktop, TWindowKind::Overlay, OverlayStyle) {
  // A colour key, not per-pixel alpha: the frame then goes to the screen only in the
  // parts that changed, where UpdateLayeredWindow takes the whole window every frame.
  SetLayeredWindowAttributes(Window, RGB(0, 0, 0), 0, LWA_COLORKEY);
  Surface.SetShaped(true);
}

TWin32OverlayWindow::~TWin32OverlayWindow() {
  if (Shown) Desktop.Monitor().Unlock();
}

void TWin32OverlayWindow::SetBounds(int, int, int, int) {}

void TWin32OverlayWindow::Cover() {
  const TMonitorRect monitor = Desktop.Monitor().Current();
  if (monitor.Width != Surface.Width() || monitor.Height != Surface.Height())
    Surface.Resize(monitor.Width, monitor.Height);
  SetWindowPos(Window, HWND_TOPMOST, monitor.Left, monitor.Top, monitor.Width, monitor.Height,
               SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

void TWin32OverlayWindow::Show() {
  if (Shown) return;
  Desktop.Monitor().Lock();
  Cover();
  ShowWindow(Window, SW_SHOWNOACTIVATE);
  Shown = true;
}

void TWin32OverlayWindow::Hide() {
  if (!Shown) return;
  ShowWindow(Window, SW_HIDE);
  Shown = false;
  Desktop.Monitor().Unlock();
}

LRESULT TWin32OverlayWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;  // a click on a sprite must not take the focus from the player's window
    case WM_DISPLAYCHANGE:
      if (Shown) Cover();
      return 0;
    default:
      return TWin32Window::HandleMessage(message, wParam, lParam);
  }
}
