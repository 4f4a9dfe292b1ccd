// From score to finished cue: render, fade the edges, set loudness by role, limit, encode.
#include "tools/synth/Cues.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tools/synth/Mastering.h"
#include "tools/synth/Renderer.h"
#include "tools/synth/WaveFile.h"

namespace {

constexpr double FadeInSeconds = 0.002;
constexpr double FadeOutSeconds = 0.008;
// Below the -1 dBFS that the cues promise, with room for rounding to whole samples.
constexpr double PeakCeilingDecibels = -1.2;
constexpr double LimiterAttackSeconds = 0.0015;
constexpr double LimiterReleaseSeconds = 0.04;

int64_t ToSamples(double seconds) { return std::llround(seconds * SampleRate); }

}  // namespace

std::filesystem::path ScoreFolder() { return BLASTOVER_SCORE_FOLDER; }

std::vector<std::filesystem::path> ScoreFiles(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (entry.is_regular_file() && entry.path().extension() == ".score") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

TScore LoadScore(const std::filesystem::path& file) {
  std::ifstream stream(file, std::ios::binary);
  if (!stream) throw std::runtime_error("cannot read " + file.string());
  std::ostringstream text;
  text << stream.rdbuf();
  std::string name = file.stem().string();
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return ParseScore(text.str(), name);
}

double TargetLoudnessDecibels(TCueRole role) {
  // A level start plays under nothing else and may sit lower; a kill must cut through the
  // music and is over quickly; bonuses and the loss of a life are in between.
  switch (role) {
    case TCueRole::Start: return -18.0;
    case TCueRole::Kill: return -15.0;
    case TCueRole::Bonus: return -16.0;
    case TCueRole::Death: return -16.0;
  }
  return -18.0;
}

const char* RoleName(TCueRole role) {
  switch (role) {
    case TCueRole::Start: return "start";
    case TCueRole::Kill: return "kill";
    case TCueRole::Bonus: return "bonus";
    case TCueRole::Death: return "death";
  }
  return "?";
}

TRenderedCue RenderCue(const TScore& score) {
  TStereoBuffer mix = RenderScore(score);
  ApplyEdgeFades(mix, ToSamples(FadeInSeconds), ToSamples(FadeOutSeconds));
  const double loudness = GatedRms(mix);
  if (loudness <= 0.0) throw std::runtime_error(score.Name + " is silent");
  ApplyGain(mix, Amplitude(TargetLoudnessDecibels(score.Role)) / loudness);
  const double lowestGain = LimitPeaks(mix, Amplitude(PeakCeilingDecibels), ToSamples(LimiterAttackSeconds),
                                      ToSamples(LimiterReleaseSeconds));

  TRenderedCue cue;
  const std::vector<int16_t> samples = Quantise(mix);
  cue.Wave = EncodeWave(samples, CueChannels, SampleRate);
  cue.Seconds = static_cast<double>(mix.Frames()) / SampleRate;
  int peak = 0;
  for (int16_t sample : samples) peak = std::max(peak, std::abs(static_cast<int>(sample)));
  cue.PeakDecibels = Decibels(std::max(peak, 1) / 32767.0);
  cue.LoudnessDecibels = Decibels(GatedRms(mix));
  cue.LimitDecibels = Decibels(lowestGain);
  return cue;
}
