// The game's sound cues: where their scores are and how a score becomes a finished WAVE file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/synth/Score.h"

// Every cue is stereo: the game's audio output takes 2-channel data as it is stored.
constexpr int CueChannels = 2;

struct TRenderedCue {
  std::vector<uint8_t> Wave;  // the complete RIFF WAVE file
  double Seconds = 0.0;
  double PeakDecibels = 0.0;      // of the loudest sample, relative to full scale
  double LoudnessDecibels = 0.0;  // gated RMS after limiting (see GatedRms)
  double LimitDecibels = 0.0;     // deepest gain reduction of the limiter, 0 when it did nothing
};

// The folder of the committed scores in the source tree.
std::filesystem::path ScoreFolder();

// The .score files of a folder, in name order.
std::vector<std::filesystem::path> ScoreFiles(const std::filesystem::path& folder);

// Reads and parses a score; the cue's name is the file name without extension, in capitals.
// Throws TScoreError for a bad score and std::runtime_error for an unreadable file.
TScore LoadScore(const std::filesystem::path& file);

// The loudness a cue of the role is brought to, as gated RMS in dB relative to full scale.
double TargetLoudnessDecibels(TCueRole role);

const char* RoleName(TCueRole role);

// Renders, fades, brings to the role's loudness, limits peaks and encodes. The same score
// gives the same file on every run.
TRenderedCue RenderCue(const TScore& score);
