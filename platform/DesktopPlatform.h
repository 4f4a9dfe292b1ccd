// The platform of the desktop the program runs on: the one call the entry point makes to
// get it. Each operating system implements it once, choosing among its back ends.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/Platform.h"

// The platform of this desktop, or null with Error set to a one-line message that says
// why none could be opened ("cannot open display ...").
std::unique_ptr<TPlatform> CreateDesktopPlatform(std::string& error);

// Tells the player in one line why the program cannot start or go on: on stderr where the
// program was started from a terminal; in a message box on a system where a program of
// the desktop has no console, returning once the player has closed it.
void ReportStartFailure(const std::string& text);

// Lets the answers to the command line reach the console the program was started from:
// on a system where a program of the desktop gets no console, it writes to its parent's.
void UseParentConsole();

// When the program was started as one of the platform's own helpers (the one a crash
// starts to give the desktop back its cursors), does the helper's work and returns its
// exit code; nothing for an ordinary start. The entry point asks first of all.
std::optional<int> RunPlatformHelper(int argc, char** argv);
