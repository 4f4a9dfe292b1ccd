// Straight-line envelope segments, as the volume steps of a sound chip would draw them.
#include "tools/synth/Envelope.h"

#include <algorithm>

TEnvelope::TEnvelope(int64_t attackSamples, int64_t decaySamples, double sustain, int64_t releaseSamples,
                     int64_t gateSamples)
    : AttackSamples(std::max<int64_t>(attackSamples, 1)),
      DecaySamples(std::max<int64_t>(decaySamples, 0)),
      Sustain(std::clamp(sustain, 0.0, 1.0)),
      ReleaseSamples(std::max<int64_t>(releaseSamples, 1)),
      GateSamples(std::max<int64_t>(gateSamples, 1)) {}

double TEnvelope::HeldLevel(int64_t sample) const {
  if (sample < AttackSamples) return static_cast<double>(sample) / static_cast<double>(AttackSamples);
  const int64_t intoDecay = sample - AttackSamples;
  if (intoDecay < DecaySamples)
    return 1.0 - (1.0 - Sustain) * static_cast<double>(intoDecay) / static_cast<double>(DecaySamples);
  return Sustain;
}

double TEnvelope::Level(int64_t sample) const {
  if (sample < 0 || sample >= LengthSamples()) return 0.0;
  if (sample < GateSamples) return HeldLevel(sample);
  const double remaining = static_cast<double>(LengthSamples() - sample) / static_cast<double>(ReleaseSamples);
  return HeldLevel(GateSamples) * remaining;
}
