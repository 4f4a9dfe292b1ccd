// Sound cues: played by name at once, each at most once in a 200 ms window.
#include "app/WorldForm.h"
#include "sound/WaveResource.h"

void TWorldForm::PlayCue(const std::string& name) {
  // Ten attackers hit in one window make one kill sound, not ten.
  if (PlayedCues->Contains(name)) return;
  PlayedCues->Add(name);
  PlayWaveResource(name);
}
