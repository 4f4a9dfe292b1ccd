// Starting one playback of a WAVE resource of the program.
#pragma once

#include <string>

// Starts the cue Name (any letter case) and returns at once; never waits for the sound.
void PlayWaveResource(const std::string& name);
