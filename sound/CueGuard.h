// TCueGuard: plays the game's sound cues, each at most once in a window of time (the
// game starts a new window every 200 ms).
#pragma once

#include <string>

#include "support/ObjectLists.h"

class TCueGuard {
 public:
  // Starts the cue Name unless a cue of that name, in any letter case, was started in
  // the current window; never waits for the sound.
  void Play(const std::string& name);
  // A new window begins: every cue may sound again.
  void NewWindow();

 private:
  TCustomStringList Played;
};
