// The support library's message dialog, and the hook through which the program shows it.
#pragma once

#include <cstdint>
#include <string>

constexpr uint8_t MessageKindInformation = 0;
constexpr uint8_t MessageKindError = 2;

// Shows Text under the title "Bericht" with one OK button and returns when it is closed.
// A character 0 in Text starts a new line.
void ShowMessageDialog(const std::string& text, uint8_t kind);

// What ShowMessageDialog shows its texts with. The program's set-up installs its own
// dialog; without one (null), the platform's message box shows them.
using TMessageDialogHook = void (*)(const std::string& text, uint8_t kind);
void SetMessageDialogHook(TMessageDialogHook hook);
