// The menu window: opaque, top-most, taking the focus, key presses and left clicks.
#pragma once

#include "platform/win32/Win32Window.h"

class TWin32MenuWindow : public TWin32Window {
 public:
  explicit TWin32MenuWindow(TWin32Desktop& desktop);

  // In the game monitor's pixels.
  void SetBounds(int left, int top, int width, int height) override;
  void Show() override;
  void Hide() override;
  // Raises the window and gives it the keyboard focus.
  void BringToFront();

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// The virtual-key code a key press gives the game, or 0 for keys the game does not see
// (shift and the like, punctuation): the same set on every system.
uint16_t GameKeyOf(WPARAM virtualKey);
