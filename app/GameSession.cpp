// Setting the game up and taking it down.
#include "app/GameSession.h"

#include <algorithm>
#include <cstdio>

#include "menu/DialogForm.h"
#include "menu/MenuForm.h"
#include "support/MessageDialog.h"

namespace {

// While the program ends from outside no window can be shown: messages go to stderr.
void SayOnStandardError(const std::string& text, uint8_t) {
  std::string line = text;
  std::replace(line.begin(), line.end(), '\0', ' ');
  std::fprintf(stderr, "blastover: %s\n", line.c_str());
}

}  // namespace

TGameSession::TGameSession(TPlatform& platform) : Platform(platform) {
  InstallPlatform(&platform);
  SetMessageDialogHook(ShowMessageForm);
  Platform.SetEndingHandler([this] { SaveBeforeEnding(); });
  try {
    Window = std::make_unique<TWorldForm>();
    Window->InitWorld();
    Window->InitWorld();
  } catch (...) {
    // A damaged program file (a picture missing, say): nothing stays half set up.
    TakeDown();
    throw;
  }
}

TGameSession::~TGameSession() { TakeDown(); }

void TGameSession::SaveBeforeEnding() {
  SetMessageDialogHook(SayOnStandardError);
  if (Window && Window->Menu) Window->Menu->SaveBeforeEnding();
  // A system may let the program run a moment longer.
  SetMessageDialogHook(ShowMessageForm);
}

void TGameSession::TakeDown() {
  Platform.SetEndingHandler(nullptr);
  Window.reset();
  SetMessageDialogHook(nullptr);
  InstallPlatform(nullptr);
}
