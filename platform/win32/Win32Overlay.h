// The full-screen game window: pure black is see-through and passes clicks.
#pragma once

#include "platform/win32/Win32Window.h"

// A layered window whose colour key is black: the system shows what lies beneath every
// black pixel and sends the clicks there; every other pixel shows and catches clicks.
// Top-most, never in the task bar, never activated, so the player's application keeps
// the keyboard. It covers the game's monitor, chosen when it is shown.
class TWin32OverlayWindow : public TWin32Window {
 public:
  explicit TWin32OverlayWindow(TWin32Desktop& desktop);
  ~TWin32OverlayWindow() override;

  // The overlay always covers its monitor.
  void SetBounds(int left, int top, int width, int height) override;
  void Show() override;
  void Hide() override;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // Covers the game's monitor as it is now.
  void Cover();
};
