// The set-up that every program of the game shares (the game itself, the headless
// runner, the tests and the benchmarks): a platform installed, the program's message
// dialog, the game window made and set up as the program starts, and all of it taken
// down again in order.
#pragma once

#include <memory>

#include "app/WorldForm.h"

class TGameSession {
 public:
  // Installs Platform, which the caller keeps and chose, makes the game window and sets
  // it up twice: the first set-up makes the window cover the screen, so the second
  // sizes the playfield from the screen. Should the platform end the program (its
  // display gone, a stop signal), the high scores are saved first, a name being typed
  // with them.
  explicit TGameSession(TPlatform& platform);
  // The window goes first, then the platform is removed.
  ~TGameSession();
  TGameSession(const TGameSession&) = delete;
  TGameSession& operator=(const TGameSession&) = delete;

  TWorldForm& World() { return *Window; }

 private:
  void TakeDown();

  void SaveBeforeEnding();

  TPlatform& Platform;
  std::unique_ptr<TWorldForm> Window;
};
