// The message dialog: the program's own, or the platform's message box.
#include "support/MessageDialog.h"

#include <algorithm>

#include "platform/Platform.h"

namespace {

TMessageDialogHook Hook = nullptr;

}  // namespace

void SetMessageDialogHook(TMessageDialogHook hook) { Hook = hook; }

void ShowMessageDialog(const std::string& text, uint8_t kind) {
  if (Hook != nullptr) {
    Hook(text, kind);
    return;
  }
  std::string lines = text;
  std::replace(lines.begin(), lines.end(), '\0', '\n');
  CurrentPlatform().ShowMessageBox("Bericht", lines);
}
