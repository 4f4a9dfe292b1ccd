// The pointer, mouse buttons and Escape of the whole desktop, whichever window has them.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>

class TX11Display;

// Buttons and keys are read from the server's present state, and XInput 2 raw
// events (selected on the root, no grab) remember presses that were over before
// the next poll: the game polls every 100 ms and a quick click is shorter.
class TX11Input {
 public:
  explicit TX11Input(TX11Display& connection);

  // Takes one raw input event; false for any other event.
  bool HandleEvent(XEvent& event);
  // True once since the last call when the pointer has moved.
  bool TakePointerMoved();

  // The pointer, as the server has it now.
  bool PointerPos(int& x, int& y);
  // Bit 1 left, 2 right, 4 middle: held now or pressed since the previous call.
  unsigned MouseButtonsDown();
  // Escape held now or pressed since the previous call.
  bool EscapeHeld();
  // Forgets the presses remembered so far; buttons and Escape held now count again only
  // once they have been let go and pressed anew.
  void ForgetPresses();

 private:
  // Moves the raw events already received out of the queue, leaving all others.
  void TakeQueuedRawEvents();
  // The buttons held now, as the server has them; every raw event of a press before
  // this is queued when it returns.
  unsigned HeldButtons();
  bool HeldEscape();
  static Bool IsRawEvent(Display* dpy, XEvent* event, XPointer self);

  TX11Display& Connection;
  unsigned LatchedButtons = 0;
  bool LatchedEscape = false;
  // Held when the presses were forgotten, and not yet let go since.
  unsigned StaleButtons = 0;
  bool StaleEscape = false;
  bool Moved = false;
  KeyCode EscapeKey = 0;
};
