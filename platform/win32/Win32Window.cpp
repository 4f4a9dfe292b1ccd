// The common part of the overlay and the menu: creation, painting, messages to the object.
#include "platform/win32/Win32Window.h"

#include "platform/win32/Win32Text.h"

TWin32Window::TWin32Window(TWin32Desktop& desktop, TWindowKind kind, DWORD extendedStyle)
    : Desktop(desktop), WindowKind(kind) {
  // One pixel until it is placed: the size comes with SetBounds or Show.
  Window = CreateWindowExW(extendedStyle, Desktop.WindowClass(), L"Blastover", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                           Desktop.Instance(), this);
  Desktop.Register(this);
}

TWin32Window::~TWin32Window() {
  Desktop.Unregister(this);
  if (Window != nullptr) {
    SetWindowLongPtrW(Window, GWLP_USERDATA, 0);
    DestroyWindow(Window);
  }
}

void TWin32Window::SetCaption(const std::string& caption) {
  TPlatformWindow::SetCaption(caption);
  SetWindowTextW(Window, Widen(caption).c_str());
}

void TWin32Window::Present(const TPixelView& picture, const TPixelView*) { Surface.Present(Window, picture); }

void TWin32Window::PresentChanged(const TPixelView& picture, const std::vector<TPixelArea>& changed,
                                  const TPixelView*) {
  Surface.PresentChanged(Window, picture, changed);
}

void TWin32Window::Raise() {
  if (!Shown) return;
  constexpr UINT Flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
  // Leaving the top-most band and entering it again puts the window above every window,
  // top-most ones that came since included. A system that keeps its own stacking (Wine
  // on an X server, where a window mapped later lies above) ignores a move to where it
  // believes the window already is, and restacks only on a real change.
  SetWindowPos(Window, HWND_NOTOPMOST, 0, 0, 0, 0, Flags);
  SetWindowPos(Window, HWND_TOPMOST, 0, 0, 0, 0, Flags);
}

LRESULT TWin32Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC target = BeginPaint(Window, &paint);
      Surface.Paint(target, paint.rcPaint);
      EndPaint(Window, &paint);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // the frame covers everything: erasing first would only flicker
    case WM_CLOSE:
      return 0;  // the game decides when its windows go, not Alt+F4
    case WM_ENDSESSION:
      // The system may end the program at any moment once this returns.
      if (wParam != FALSE && Desktop.OnSessionEnding) Desktop.OnSessionEnding();
      return 0;
    default:
      return DefWindowProcW(Window, message, wParam, lParam);
  }
}

LRESULT CALLBACK TWin32Window::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    auto* self = static_cast<TWin32Window*>(creation->lpCreateParams);
    self->Window = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<TWin32Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return self->HandleMessage(message, wParam, lParam);
}
