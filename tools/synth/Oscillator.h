// One tone or noise generator, stepped one sample at a time.
#pragma once

#include <cstdint>

#include "tools/synth/Score.h"

class TOscillator {
public:
  TOscillator(TWaveform waveform, double duty, bool shortNoise);

  // The next sample, -1..1, at Hertz. For noise, Hertz sets how fast the noise register
  // steps (eight steps a cycle), so a higher note gives brighter hiss.
  double Next(double hertz);

private:
  TWaveform Waveform;
  double Duty;
  bool ShortNoise;
  // Position in the cycle as a 32-bit fraction. Whole numbers keep the waveform's edges on
  // the same samples whatever the compiler does with floating point.
  uint64_t Phase = 0;
  uint16_t NoiseRegister;

  double PulseSample(double cycle, double step) const;
  double NoiseSample(uint64_t increment);
};
