// The message dialog: the dialog with one Ok button.
#include "support/MessageDialog.h"

#include "support/DialogForm.h"

void ShowMessageDialog(const std::string& text, uint8_t kind) { ShowDialog("", "", text, kind, 0, {{"&Ok", mrOk}}); }
