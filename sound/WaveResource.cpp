// WAVE resources are played by the platform's audio output.
#include "sound/WaveResource.h"

#include "platform/Platform.h"

void PlayWaveResource(const std::string& name) { CurrentPlatform().PlaySound(name); }
