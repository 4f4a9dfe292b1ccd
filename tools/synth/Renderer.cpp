// Each note is an oscillator shaped by its envelope, pitch movements and pan; the notes add up.
#include "tools/synth/Renderer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "tools/synth/Envelope.h"
#include "tools/synth/Oscillator.h"

namespace {

// Settling time after the last release, so the filters have nothing left to say when the cue ends.
constexpr double TailSeconds = 0.012;
// Below hearing, so removing offset does not thin the bass.
constexpr double DcCutoffHz = 10.0;

int64_t ToSamples(double seconds) { return std::llround(seconds * SampleRate); }

TEnvelope NoteEnvelope(const TNote& note) {
  const TInstrument& sound = note.Instrument;
  return TEnvelope(ToSamples(sound.AttackSeconds), ToSamples(sound.DecaySeconds), sound.Sustain,
                   ToSamples(sound.ReleaseSeconds), ToSamples(note.LengthSeconds * sound.Gate));
}

// Pitch (a MIDI number, fractions allowed) at a sample counted from the note's start.
double PitchAt(const TNote& note, int64_t sample, int64_t gateSamples) {
  const TInstrument& sound = note.Instrument;
  double pitch = note.Pitches.front();
  if (note.Pitches.size() > 1) {
    const int64_t stepSamples = std::max<int64_t>(ToSamples(sound.ArpeggioSeconds), 1);
    pitch = note.Pitches[static_cast<size_t>(sample / stepSamples) % note.Pitches.size()];
  }
  if (note.SlideTo) {
    const double progress = std::min(1.0, static_cast<double>(sample) / static_cast<double>(gateSamples));
    pitch += (*note.SlideTo - pitch) * progress;
  }
  const double vibratoSeconds = static_cast<double>(sample) / SampleRate - sound.VibratoDelaySeconds;
  if (sound.VibratoHz > 0.0 && vibratoSeconds > 0.0) {
    constexpr double CentsPerSemitone = 100.0;
    pitch += sound.VibratoCents / CentsPerSemitone *
             std::sin(2.0 * std::numbers::pi * sound.VibratoHz * vibratoSeconds);
  }
  return pitch;
}

void LowPass(std::vector<double>& samples, double cutoffHz) {
  const double coefficient = 1.0 - std::exp(-2.0 * std::numbers::pi * cutoffHz / SampleRate);
  double state = 0.0;
  for (double& sample : samples) {
    state += coefficient * (sample - state);
    sample = state;
  }
}

void RemoveOffset(std::vector<double>& samples) {
  const double pole = 1.0 - 2.0 * std::numbers::pi * DcCutoffHz / SampleRate;
  double previousIn = 0.0;
  double previousOut = 0.0;
  for (double& sample : samples) {
    previousOut = sample - previousIn + pole * previousOut;
    previousIn = sample;
    sample = previousOut;
  }
}

void AddNote(TStereoBuffer& mix, const TNote& note, int64_t startFrame) {
  const TInstrument& sound = note.Instrument;
  const TEnvelope envelope = NoteEnvelope(note);
  const int64_t gateSamples = std::max<int64_t>(ToSamples(note.LengthSeconds * sound.Gate), 1);
  TOscillator oscillator(sound.Waveform, sound.Duty, sound.ShortNoise);
  // Equal-power pan: a voice keeps its loudness wherever it stands.
  const double angle = (sound.Pan + 1.0) * std::numbers::pi / 4.0;
  const double left = std::cos(angle) * sound.Volume;
  const double right = std::sin(angle) * sound.Volume;
  const int64_t frames = std::min<int64_t>(envelope.LengthSamples(), static_cast<int64_t>(mix.Frames()) - startFrame);
  for (int64_t i = 0; i < frames; ++i) {
    const double value = oscillator.Next(PitchHertz(PitchAt(note, i, gateSamples))) * envelope.Level(i);
    mix.Left[static_cast<size_t>(startFrame + i)] += value * left;
    mix.Right[static_cast<size_t>(startFrame + i)] += value * right;
  }
}

}  // namespace

TStereoBuffer RenderNote(const TNote& note) {
  TStereoBuffer buffer(static_cast<size_t>(NoteEnvelope(note).LengthSamples()));
  AddNote(buffer, note, 0);
  return buffer;
}

TStereoBuffer RenderScore(const TScore& score) {
  int64_t frames = ToSamples(score.LengthSeconds);
  for (const TNote& note : score.Notes)
    frames = std::max(frames, ToSamples(note.StartSeconds) + NoteEnvelope(note).LengthSamples());
  TStereoBuffer mix(static_cast<size_t>(frames + ToSamples(TailSeconds)));
  for (const TNote& note : score.Notes) AddNote(mix, note, ToSamples(note.StartSeconds));
  for (std::vector<double>* channel : {&mix.Left, &mix.Right}) {
    LowPass(*channel, score.LowPassHz);
    RemoveOffset(*channel);
  }
  return mix;
}
