// The message dialog, shown as the platform's modal message box.
#include "support/MessageDialog.h"

#include <algorithm>

#include "platform/Platform.h"

void ShowMessageDialog(const std::string& text, uint8_t /*kind*/) {
  std::string lines = text;
  std::replace(lines.begin(), lines.end(), '\0', '\n');
  CurrentPlatform().ShowMessageBox("Bericht", lines);
}
