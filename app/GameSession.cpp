// Setting the game up and taking it down.
#include "app/GameSession.h"

#include "menu/DialogForm.h"
#include "support/MessageDialog.h"

TGameSession::TGameSession(TPlatform& platform) {
  InstallPlatform(&platform);
  SetMessageDialogHook(ShowMessageForm);
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

void TGameSession::TakeDown() {
  Window.reset();
  SetMessageDialogHook(nullptr);
  InstallPlatform(nullptr);
}
