// What the back end's windows share: their system window and its messages.
#pragma once

#include <memory>

#include "platform/win32/Win32Desktop.h"
#include "platform/win32/Win32Surface.h"

class TWin32Window : public TPlatformWindow {
 public:
  TWin32Window(TWin32Desktop& desktop, TWindowKind kind, DWORD extendedStyle);
  ~TWin32Window() override;
  TWin32Window(const TWin32Window&) = delete;
  TWin32Window& operator=(const TWin32Window&) = delete;

  HWND Handle() const { return Window; }
  TWindowKind Kind() const { return WindowKind; }
  bool IsVisible() const override { return Shown; }
  void SetCaption(const std::string& caption) override;
  void Present(const TPixelView& picture, const TPixelView* source = nullptr) override;
  void PresentChanged(const TPixelView& picture, const std::vector<TPixelArea>& changed,
                      const TPixelView* source = nullptr) override;
  // The last frame as the window shows it (for tests).
  TPixelView LastFrame() const { return Surface.LastFrame(); }

  // Puts a shown window above every window that is not top-most, without the focus.
  virtual void Raise();

  // The window procedure of the program's window class.
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  // One message of this window; a handler run from here may destroy the window.
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  TWin32Desktop& Desktop;
  TWindowKind WindowKind;
  HWND Window = nullptr;
  bool Shown = false;
  TWin32Surface Surface;
};
