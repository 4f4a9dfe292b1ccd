// Fades, gated loudness, a look-ahead limiter and conversion to whole samples.
#include "tools/synth/Mastering.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr int64_t LoudnessBlockSamples = SampleRate / 100;
constexpr double LoudnessGateDecibels = -20.0;

double BlockPower(const TStereoBuffer& buffer, size_t start, size_t end) {
  double sum = 0.0;
  for (size_t i = start; i < end; ++i)
    sum += buffer.Left[i] * buffer.Left[i] + buffer.Right[i] * buffer.Right[i];
  return sum / (2.0 * static_cast<double>(end - start));
}

}  // namespace

double Decibels(double amplitude) { return 20.0 * std::log10(amplitude); }

double Amplitude(double decibels) { return std::pow(10.0, decibels / 20.0); }

void ApplyEdgeFades(TStereoBuffer& buffer, int64_t fadeInSamples, int64_t fadeOutSamples) {
  const auto frames = static_cast<int64_t>(buffer.Frames());
  const auto scale = [&](int64_t frame, int64_t fromEdge, int64_t length) {
    const double position = static_cast<double>(fromEdge) / static_cast<double>(length);
    const double gain = 0.5 - 0.5 * std::cos(std::numbers::pi * position);
    buffer.Left[static_cast<size_t>(frame)] *= gain;
    buffer.Right[static_cast<size_t>(frame)] *= gain;
  };
  for (int64_t i = 0; i < std::min(fadeInSamples, frames); ++i) scale(i, i, fadeInSamples);
  // The last sample is the end of the fade: gain 0.
  for (int64_t i = 0; i < std::min(fadeOutSamples, frames); ++i) scale(frames - 1 - i, i, std::max<int64_t>(fadeOutSamples - 1, 1));
}

double GatedRms(const TStereoBuffer& buffer) {
  std::vector<double> powers;
  for (size_t start = 0; start < buffer.Frames(); start += LoudnessBlockSamples)
    powers.push_back(BlockPower(buffer, start, std::min(buffer.Frames(), start + LoudnessBlockSamples)));
  const double loudest = powers.empty() ? 0.0 : *std::max_element(powers.begin(), powers.end());
  if (loudest <= 0.0) return 0.0;
  const double gate = loudest * std::pow(10.0, LoudnessGateDecibels / 10.0);
  double sum = 0.0;
  int blocks = 0;
  for (double power : powers) {
    if (power < gate) continue;
    sum += power;
    ++blocks;
  }
  return std::sqrt(sum / blocks);
}

void ApplyGain(TStereoBuffer& buffer, double gain) {
  for (double& sample : buffer.Left) sample *= gain;
  for (double& sample : buffer.Right) sample *= gain;
}

double LimitPeaks(TStereoBuffer& buffer, double ceiling, int64_t attackSamples, int64_t releaseSamples) {
  const size_t frames = buffer.Frames();
  if (frames == 0) return 1.0;
  // The gain each frame may have at most: ceiling over its louder channel.
  std::vector<double> gain(frames);
  for (size_t i = 0; i < frames; ++i) {
    const double peak = std::max(std::abs(buffer.Left[i]), std::abs(buffer.Right[i]));
    gain[i] = peak > ceiling ? ceiling / peak : 1.0;
  }
  // Forwards the gain may rise by a release step a frame, backwards by an attack step, so it
  // never jumps; both passes only lower it, so no frame goes above its limit.
  const double releaseStep = 1.0 / static_cast<double>(std::max<int64_t>(releaseSamples, 1));
  const double attackStep = 1.0 / static_cast<double>(std::max<int64_t>(attackSamples, 1));
  for (size_t i = 1; i < frames; ++i) gain[i] = std::min(gain[i], gain[i - 1] + releaseStep);
  for (size_t i = frames - 1; i-- > 0;) gain[i] = std::min(gain[i], gain[i + 1] + attackStep);
  for (size_t i = 0; i < frames; ++i) {
    buffer.Left[i] *= gain[i];
    buffer.Right[i] *= gain[i];
  }
  return *std::min_element(gain.begin(), gain.end());
}

std::vector<int16_t> Quantise(const TStereoBuffer& buffer) {
  constexpr double FullScale = 32767.0;
  std::vector<int16_t> samples;
  samples.reserve(buffer.Frames() * 2);
  const auto convert = [](double value) {
    return static_cast<int16_t>(std::clamp(std::lround(value * FullScale), -32767L, 32767L));
  };
  for (size_t i = 0; i < buffer.Frames(); ++i) {
    samples.push_back(convert(buffer.Left[i]));
    samples.push_back(convert(buffer.Right[i]));
  }
  return samples;
}
