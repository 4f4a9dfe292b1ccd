// The state of the mouse buttons and the Escape key, for the whole desktop.
#pragma once

constexpr unsigned LeftButton = 1;
constexpr unsigned RightButton = 2;
constexpr unsigned MiddleButton = 4;

// The buttons held now or pressed since the previous call (LeftButton | RightButton | MiddleButton).
unsigned MouseButtonsDown();
// The Escape key is held now, or was pressed since the previous call.
bool EscapeDown();
// Forgets the presses so far: a click or Escape that closed one screen does not act in
// the next. A button or Escape still held counts once it is pressed anew.
void ForgetPresses();
