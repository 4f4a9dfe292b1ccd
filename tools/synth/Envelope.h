// The loudness curve of one note: attack, decay, sustain while the key is held, release.
#pragma once

#include <cstdint>

class TEnvelope {
public:
  // Times in samples. The key is held for GateSamples; the release starts from whatever
  // level the envelope has reached then, even in the middle of the attack or decay.
  TEnvelope(int64_t attackSamples, int64_t decaySamples, double sustain, int64_t releaseSamples,
            int64_t gateSamples);

  // Level 0..1 at a sample counted from the note's start: 0 at the first sample, 0 from
  // LengthSamples() on.
  double Level(int64_t sample) const;

  // Samples until the end of the release.
  int64_t LengthSamples() const { return GateSamples + ReleaseSamples; }

private:
  int64_t AttackSamples;
  int64_t DecaySamples;
  double Sustain;
  int64_t ReleaseSamples;
  int64_t GateSamples;

  double HeldLevel(int64_t sample) const;
};
