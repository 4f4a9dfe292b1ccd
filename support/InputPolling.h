// The state of the mouse buttons and the Escape key, for the whole desktop.
#pragma once

constexpr unsigned LeftButton = 1;
constexpr unsigned RightButton = 2;
constexpr unsigned MiddleButton = 4;

// The buttons held now or pressed since the previous call (LeftButton | RightButton | MiddleButton).
unsigned MouseButtonsDown();
// The Escape key is held now.
bool EscapeDown();
