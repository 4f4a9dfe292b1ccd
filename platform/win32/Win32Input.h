// The mouse buttons and Escape of the whole desktop, whichever window has them.
#pragma once

#include "platform/win32/Win32Api.h"

// The game polls every 100 ms and a quick click is shorter, so the asynchronous state
// alone would miss it. Raw input, delivered even while another program is in front
// (RIDEV_INPUTSINK, to a hidden window of ours), remembers every press until the
// next poll.
class TWin32Input {
 public:
  TWin32Input();
  ~TWin32Input();
  TWin32Input(const TWin32Input&) = delete;
  TWin32Input& operator=(const TWin32Input&) = delete;

  // Bit 1 the first (primary) button, 2 the other, 4 middle: held now or pressed since
  // the previous call. With the buttons swapped in the system's settings, the first is
  // the physical right one.
  unsigned MouseButtonsDown();
  // Escape held now or pressed since the previous call.
  bool EscapeHeld();
  // Forgets the presses so far; what is held now counts once let go and pressed anew.
  void ForgetPresses();
  // Whether presses between polls can be seen (raw input could be registered).
  bool SeesQuickPresses() const { return Registered; }

 private:
  static LRESULT CALLBACK InputProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Takes the raw input messages already queued, leaving all others.
  void TakeQueuedInput();
  unsigned HeldButtons() const;
  void Take(HRAWINPUT input);

  HWND Sink = nullptr;
  bool Registered = false;
  unsigned LatchedButtons = 0;
  bool LatchedEscape = false;
  // Held when the presses were forgotten, and not let go since.
  unsigned StaleButtons = 0;
  bool StaleEscape = false;
};
