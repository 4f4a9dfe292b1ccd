// A small modal message box with one OK button on a Wayland connection of its own.
#pragma once

#include <string>

// Shows Caption over Text (lines split at '\n') in the middle of the output, above
// every window, and returns when OK is clicked or Enter, Escape or Space is pressed.
// It may be called from any thread: it talks to the compositor over a connection of
// its own, so the program's windows and timers are not touched. Without a
// compositor, or one without the layer shell, it says the text on stderr instead.
void ShowWaylandMessageBox(const std::string& caption, const std::string& text);
