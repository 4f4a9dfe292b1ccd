// Playing a score's notes into a stereo mix, before loudness and peaks are set.
#pragma once

#include "tools/synth/Score.h"
#include "tools/synth/StereoBuffer.h"

// The dry mix of every note, through the score's low-pass and a filter that removes any
// steady offset. Long enough for the last release to die away.
TStereoBuffer RenderScore(const TScore& score);

// One note alone, as it goes into the mix (before filtering), starting at frame 0.
TStereoBuffer RenderNote(const TNote& note);
