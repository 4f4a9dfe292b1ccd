// Band-limited pulses, a plain triangle, and a 15-bit shift register for noise.
#include "tools/synth/Oscillator.h"

#include <algorithm>
#include <cmath>

#include "tools/synth/StereoBuffer.h"

namespace {

constexpr double PhaseUnit = 4294967296.0;  // one whole cycle of Phase
constexpr uint16_t NoiseSeed = 0x6d2b;      // any non-zero start; fixed so that renders repeat
constexpr double NoiseStepsPerCycle = 8.0;

// Smooths a jump of the waveform over the sample before and after it (a polynomial
// band-limited step), which keeps high notes from folding back as inharmonic whistles.
double PolyBlep(double cycle, double step) {
  if (cycle < step) {
    const double x = cycle / step;
    return x + x - x * x - 1.0;
  }
  if (cycle > 1.0 - step) {
    const double x = (cycle - 1.0) / step;
    return x * x + x + x + 1.0;
  }
  return 0.0;
}

}  // namespace

TOscillator::TOscillator(TWaveform waveform, double duty, bool shortNoise)
    : Waveform(waveform), Duty(waveform == TWaveform::Square ? 0.5 : duty), ShortNoise(shortNoise),
      NoiseRegister(NoiseSeed) {}

double TOscillator::PulseSample(double cycle, double step) const {
  double value = cycle < Duty ? 1.0 : -1.0;
  value += PolyBlep(cycle, step);
  double afterFall = cycle - Duty;
  if (afterFall < 0.0) afterFall += 1.0;
  value -= PolyBlep(afterFall, step);
  // A narrow pulse is mostly low; taking its mean away keeps the mix free of offset, and
  // the division keeps its peaks within -1..1.
  const double mean = 2.0 * Duty - 1.0;
  return (value - mean) / (1.0 + std::abs(mean));
}

double TOscillator::NoiseSample(uint64_t increment) {
  Phase += increment;
  for (uint64_t steps = Phase >> 32; steps > 0; --steps) {
    const int tap = ShortNoise ? 6 : 1;
    const auto feedback = static_cast<uint16_t>((NoiseRegister ^ (NoiseRegister >> tap)) & 1u);
    NoiseRegister = static_cast<uint16_t>((NoiseRegister >> 1) | (feedback << 14));
  }
  Phase &= 0xffffffffu;
  return (NoiseRegister & 1u) != 0 ? 1.0 : -1.0;
}

double TOscillator::Next(double hertz) {
  const double rate = Waveform == TWaveform::Noise ? hertz * NoiseStepsPerCycle : hertz;
  const double limited = std::clamp(rate, 0.0, Waveform == TWaveform::Noise ? 4.0 * SampleRate : SampleRate / 2.0);
  const auto increment = static_cast<uint64_t>(std::llround(limited / SampleRate * PhaseUnit));
  if (Waveform == TWaveform::Noise) return NoiseSample(increment);

  const double cycle = static_cast<double>(Phase) / PhaseUnit;
  const double step = static_cast<double>(increment) / PhaseUnit;
  Phase = (Phase + increment) & 0xffffffffu;
  if (Waveform == TWaveform::Triangle) {
    // Starts at zero and rises, so a note begins without a jump.
    if (cycle < 0.25) return 4.0 * cycle;
    if (cycle < 0.75) return 2.0 - 4.0 * cycle;
    return 4.0 * cycle - 4.0;
  }
  return PulseSample(cycle, step);
}
