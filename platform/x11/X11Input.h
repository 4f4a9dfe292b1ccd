// The pointer, mouse buttons and Escape of the whole desktop, whichever window has them.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <vector>

class TX11Display;

// Buttons and keys are read from the server's present state, and XInput 2 raw
// events (selected on the root, no grab) remember presses that were over before
// the next poll: the game polls every 100 ms and a quick click is shorter.
// The present state names the buttons as applications see them, a raw event as the
// mouse does: a raw button goes through the pointer mapping (3 2 1 for a left-handed
// player), kept current as it changes, so that both speak of the same button.
class TX11Input {
 public:
  explicit TX11Input(TX11Display& connection);

  // Takes one raw input event or a change of the pointer mapping; false for any other event.
  bool HandleEvent(XEvent& event);
  // The mouse's own button that applications see as the first (the left one of a
  // right-handed mouse): what a click made on the player's behalf presses.
  unsigned PrimaryPhysicalButton() const;
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
  void ReadPointerMapping();
  // The button applications see for the mouse's own button Physical.
  int LogicalButton(int physical) const;

  TX11Display& Connection;
  unsigned LatchedButtons = 0;
  bool LatchedEscape = false;
  // Held when the presses were forgotten, and not yet let go since.
  unsigned StaleButtons = 0;
  bool StaleEscape = false;
  bool Moved = false;
  KeyCode EscapeKey = 0;
  // Entry n: the button applications see for the mouse's button n + 1.
  std::vector<unsigned char> PointerMapping;
};
