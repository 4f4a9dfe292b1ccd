// Sound cues: played by name at once, each at most once in a window of time.
#include "sound/CueGuard.h"

#include "sound/WaveResource.h"

void TCueGuard::Play(const std::string& name) {
  // Ten attackers hit in one window make one kill sound, not ten.
  if (Played.Contains(name)) return;
  Played.Add(name);
  PlayWaveResource(name);
}

void TCueGuard::NewWindow() {
  if (!Played.IsEmpty()) Played.Clear();
}
