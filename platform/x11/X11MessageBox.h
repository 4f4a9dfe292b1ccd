// A small modal message box with one OK button, its text in the desktop's fonts.
#pragma once

#include <string>

class TX11Display;

// Shows Caption over Text (lines split at '\n') centred on the screen, above every
// window, and returns when OK is clicked or Enter, Escape or Space is pressed. Only
// the box's own events are handled meanwhile: the program's timers and windows wait.
void ShowX11MessageBox(TX11Display& connection, const std::string& caption, const std::string& text);
