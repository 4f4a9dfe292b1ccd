// The committed sound cues against their scores and their format, and the synthesizer's own rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "platform/Resources.h"
#include "tools/synth/Cues.h"
#include "tools/synth/Envelope.h"
#include "tools/synth/Mastering.h"
#include "tools/synth/Oscillator.h"
#include "tools/synth/Renderer.h"
#include "tools/synth/WaveFile.h"

namespace {

struct TWave {
  uint16_t Format = 0;
  uint16_t Channels = 0;
  uint32_t Rate = 0;
  uint32_t ByteRate = 0;
  uint16_t BlockAlign = 0;
  uint16_t Bits = 0;
  std::vector<int16_t> Samples;
};

uint32_t Read32(std::span<const uint8_t> bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

uint16_t Read16(std::span<const uint8_t> bytes, size_t at) { return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8); }

// Walks the chunks as a player would instead of assuming the writer's 44-byte layout, and
// insists that the RIFF size and the data size agree with the bytes there are.
std::optional<TWave> ReadWave(std::span<const uint8_t> bytes) {
  if (bytes.size() < 12) return std::nullopt;
  if (std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) return std::nullopt;
  if (Read32(bytes, 4) != bytes.size() - 8) return std::nullopt;
  TWave wave;
  bool haveFormat = false;
  for (size_t at = 12; at + 8 <= bytes.size();) {
    const uint32_t size = Read32(bytes, at + 4);
    if (at + 8 + size > bytes.size()) return std::nullopt;
    const auto body = bytes.subspan(at + 8, size);
    if (std::memcmp(bytes.data() + at, "fmt ", 4) == 0 && size >= 16) {
      wave.Format = Read16(body, 0);
      wave.Channels = Read16(body, 2);
      wave.Rate = Read32(body, 4);
      wave.ByteRate = Read32(body, 8);
      wave.BlockAlign = Read16(body, 12);
      wave.Bits = Read16(body, 14);
      haveFormat = true;
    } else if (std::memcmp(bytes.data() + at, "data", 4) == 0) {
      if (!haveFormat || size % 2 != 0) return std::nullopt;
      for (size_t i = 0; i < size; i += 2) wave.Samples.push_back(static_cast<int16_t>(Read16(body, i)));
      return wave;
    }
    at += 8 + size + size % 2;
  }
  return std::nullopt;
}

std::string UpperCase(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return text;
}

std::map<std::string, TScore> CommittedScores() {
  std::map<std::string, TScore> scores;
  for (const auto& file : ScoreFiles(ScoreFolder())) {
    TScore score = LoadScore(file);
    scores.emplace(score.Name, std::move(score));
  }
  return scores;
}

TStereoBuffer ToBuffer(const std::vector<int16_t>& samples) {
  TStereoBuffer buffer(samples.size() / 2);
  for (size_t i = 0; i < buffer.Frames(); ++i) {
    buffer.Left[i] = samples[2 * i] / 32767.0;
    buffer.Right[i] = samples[2 * i + 1] / 32767.0;
  }
  return buffer;
}

const std::set<std::string> CueNames = {
    "DONKEYKONGSTART",  "PACMANSTART",         "1942START",           "GALAXIANSTART",     "SCRAMBLESTART",
    "DIGDUGSTART",      "GALAGASTART",         "PHOENIXSTART",        "SPACEINVADERSSTART", "KILLMONSTER",
    "PACMANMONSTERDEAD", "1942MONSTERDEAD",    "SCRAMBLEMONSTERDEAD", "DIGDUGMONSTERDEAD", "GALAGAMONSTERDEAD",
    "PHOENIXMONSTERDEAD", "SPACEINVADERSMONSTERDEAD", "DONKEYKONGBONUS", "PACMANBONUS",     "DIGDUGBONUS",
    "GALAGABONUS",      "PHOENIXBONUS",        "DONKEYKONGDEAD"};

TEST(SoundCues, ScoresAndResourcesAreTheSameTwentyThreeCues) {
  std::set<std::string> scored;
  for (const auto& [name, score] : CommittedScores()) scored.insert(name);
  std::set<std::string> stored;
  for (const TResource& resource : ListResources(TResourceKind::Sound)) stored.insert(std::string(resource.Name));
  EXPECT_EQ(scored, CueNames);
  EXPECT_EQ(stored, CueNames);
}

// The render uses the C library's pow, sin and exp, whose last bit may differ between library
// versions or when a compiler fuses multiply-adds; such a difference can move the rounding of a
// sample by one step. Everything that decides where an edge falls is whole-number arithmetic,
// so anything beyond one step, or any change of length or header, is a real difference.
TEST(SoundCues, CommittedFilesAreWhatTheScoresRender) {
  for (const auto& [name, score] : CommittedScores()) {
    SCOPED_TRACE(name);
    const std::vector<uint8_t> rendered = RenderCue(score).Wave;
    const std::span<const uint8_t> committed = FindResource(TResourceKind::Sound, name);
    ASSERT_EQ(committed.size(), rendered.size()) << "regenerate with: cmake --build BUILD --target sounds";
    constexpr size_t HeaderBytes = 44;
    EXPECT_TRUE(std::equal(rendered.begin(), rendered.begin() + HeaderBytes, committed.begin()));
    const std::vector<int16_t> want = ReadWave(rendered)->Samples;
    const std::vector<int16_t> have = ReadWave(committed)->Samples;
    int worst = 0;
    for (size_t i = 0; i < want.size(); ++i) worst = std::max(worst, std::abs(want[i] - have[i]));
    EXPECT_LE(worst, 1) << "regenerate with: cmake --build BUILD --target sounds";
  }
}

TEST(SoundCues, EveryCueIsCleanStereoPcmOfItsRolesLengthAndLoudness) {
  struct TRange {
    double ShortestSeconds, LongestSeconds;
  };
  const std::map<TCueRole, TRange> lengths = {{TCueRole::Start, {1.5, 6.0}},
                                              {TCueRole::Kill, {0.07, 0.5}},
                                              {TCueRole::Bonus, {0.2, 2.5}},
                                              {TCueRole::Death, {1.0, 8.0}}};
  const double peakLimit = 32768.0 * Amplitude(-1.0);
  for (const auto& [name, score] : CommittedScores()) {
    SCOPED_TRACE(name);
    const std::optional<TWave> wave = ReadWave(FindResource(TResourceKind::Sound, name));
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->Format, 1);
    EXPECT_EQ(wave->Channels, 2);
    EXPECT_EQ(wave->Rate, 44100u);
    EXPECT_EQ(wave->Bits, 16);
    EXPECT_EQ(wave->BlockAlign, 4);
    EXPECT_EQ(wave->ByteRate, 44100u * 4);
    const std::vector<int16_t>& samples = wave->Samples;
    const double seconds = static_cast<double>(samples.size() / 2) / 44100.0;
    EXPECT_GE(seconds, lengths.at(score.Role).ShortestSeconds);
    EXPECT_LE(seconds, lengths.at(score.Role).LongestSeconds);

    double sum = 0.0;
    int peak = 0;
    for (int16_t sample : samples) {
      sum += sample;
      peak = std::max(peak, std::abs(static_cast<int>(sample)));
    }
    EXPECT_LE(peak, peakLimit);
    EXPECT_LT(std::abs(sum / static_cast<double>(samples.size())), 0.001 * 32768.0) << "offset";
    // Silence at both ends, so that starting and stopping a cue cannot click.
    EXPECT_EQ(samples.front(), 0);
    EXPECT_EQ(samples[1], 0);
    EXPECT_EQ(samples.back(), 0);
    EXPECT_EQ(samples[samples.size() - 2], 0);
    // The limiter may only take a little off the role's loudness.
    const double loudness = Decibels(GatedRms(ToBuffer(samples)));
    EXPECT_NEAR(loudness, TargetLoudnessDecibels(score.Role) - 0.5, 0.6);
  }
}

TEST(SoundCues, EveryNameTheGamePassesFindsItsCue) {
  const char* const gameNames[] = {
      "DONKEYKONGSTART", "DonkeyKongStart",  "PacManStart",     "1942START",         "GalaxianStart",
      "ScrambleStart",   "DigDugStart",      "GalagaStart",     "PhoenixStart",      "SpaceInvadersStart",
      "killmonster",     "PacManMonsterDead", "1942MonsterDead", "ScrambleMonsterDead", "DigDugMonsterDead",
      "GalagaMonsterDead", "PhoenixMonsterDead", "SpaceInvadersMonsterDead", "donkeykongbonus", "PacManBonus",
      "DigDugBonus",     "GalagaBonus",      "Galagabonus",     "PhoenixBonus",      "donkeykongdead"};
  std::map<std::string, const uint8_t*> dataOfCue;
  for (const TResource& resource : ListResources(TResourceKind::Sound))
    dataOfCue[std::string(resource.Name)] = resource.Data.data();
  for (const char* name : gameNames) {
    SCOPED_TRACE(name);
    const std::span<const uint8_t> found = FindResource(TResourceKind::Sound, name);
    ASSERT_FALSE(found.empty());
    ASSERT_TRUE(dataOfCue.contains(UpperCase(name)));
    EXPECT_EQ(found.data(), dataOfCue[UpperCase(name)]);
  }
}

TEST(SynthEnvelope, EndsAtZeroWhereverTheKeyIsLifted) {
  constexpr int64_t Attack = 100, Decay = 200, Release = 50;
  // Lifted during the attack, during the decay, while sustaining.
  for (int64_t gate : {40, 180, 1000}) {
    SCOPED_TRACE(gate);
    const TEnvelope envelope(Attack, Decay, 0.5, Release, gate);
    EXPECT_EQ(envelope.Level(0), 0.0);
    EXPECT_EQ(envelope.LengthSamples(), gate + Release);
    EXPECT_EQ(envelope.Level(envelope.LengthSamples()), 0.0);
    EXPECT_LE(envelope.Level(envelope.LengthSamples() - 1), 1.0 / Release);
    // The release falls steadily from where the key was lifted, without a jump.
    EXPECT_NEAR(envelope.Level(gate), envelope.Level(gate - 1), 1.0 / Attack + 1e-12);
    for (int64_t i = gate; i < envelope.LengthSamples(); ++i) EXPECT_LT(envelope.Level(i + 1), envelope.Level(i));
  }
  // Times of zero would cut a wave off mid-swing; they are stretched to a sample.
  const TEnvelope abrupt(0, 0, 1.0, 0, 0);
  EXPECT_EQ(abrupt.Level(0), 0.0);
  EXPECT_EQ(abrupt.Level(abrupt.LengthSamples()), 0.0);
}

TEST(SynthEnvelope, ARenderedNoteDiesAwayToSilence) {
  const TScore score = ParseScore("role kill\nvoice v square release=20ms\nv: A4/100ms\n", "T");
  const TStereoBuffer note = RenderNote(score.Notes.at(0));
  ASSERT_GT(note.Frames(), 4000u);
  EXPECT_EQ(note.Left.front(), 0.0);
  EXPECT_LT(std::abs(note.Left.back()), 0.001);
  EXPECT_LT(std::abs(note.Right.back()), 0.001);
}

TEST(SynthWaveFile, HeaderDescribesTheSamplesThatFollow) {
  const std::vector<int16_t> samples = {0, -1, 32767, -32767, 258, -258};
  const std::vector<uint8_t> file = EncodeWave(samples, 2, 44100);
  EXPECT_EQ(file.size(), 44u + 12u);
  const std::optional<TWave> wave = ReadWave(file);
  ASSERT_TRUE(wave);
  EXPECT_EQ(wave->Format, 1);
  EXPECT_EQ(wave->Channels, 2);
  EXPECT_EQ(wave->Rate, 44100u);
  EXPECT_EQ(wave->ByteRate, 176400u);
  EXPECT_EQ(wave->BlockAlign, 4);
  EXPECT_EQ(wave->Bits, 16);
  EXPECT_EQ(wave->Samples, samples);
  const std::optional<TWave> mono = ReadWave(EncodeWave({1, 2, 3}, 1, 22050));
  ASSERT_TRUE(mono);
  EXPECT_EQ(mono->ByteRate, 44100u);
  EXPECT_EQ(mono->BlockAlign, 2);
}

TEST(SynthLimiter, KeepsPeaksUnderTheCeilingAndLeavesTheRestAlone) {
  constexpr int64_t Attack = 60, Release = 1000;
  constexpr size_t Frames = 8000, Spike = 4000;
  TStereoBuffer buffer(Frames);
  for (size_t i = 0; i < Frames; ++i) buffer.Left[i] = buffer.Right[i] = (i % 50 < 25 ? 0.5 : -0.5);
  buffer.Left[Spike] = 2.0;
  buffer.Right[Spike + 1] = -1.6;
  const TStereoBuffer before = buffer;
  const double ceiling = Amplitude(-1.2);
  const double lowest = LimitPeaks(buffer, ceiling, Attack, Release);

  EXPECT_NEAR(lowest, ceiling / 2.0, 1e-12);
  double largestStep = 0.0;
  for (size_t i = 0; i < Frames; ++i) {
    EXPECT_LE(std::abs(buffer.Left[i]), ceiling);
    EXPECT_LE(std::abs(buffer.Right[i]), ceiling);
    if (i + Attack < Spike || i > Spike + 1 + Release) {
      EXPECT_EQ(buffer.Left[i], before.Left[i]) << i;
    }
    if (i > 0) {
      const double gain = buffer.Right[i] / before.Right[i];
      const double previous = buffer.Right[i - 1] / before.Right[i - 1];
      largestStep = std::max(largestStep, std::abs(gain - previous));
    }
  }
  EXPECT_LE(largestStep, 1.0 / Attack + 1e-12) << "the gain must glide, not jump";

  TStereoBuffer quiet(100);
  quiet.Left.assign(100, 0.8);
  const TStereoBuffer untouched = quiet;
  EXPECT_EQ(LimitPeaks(quiet, ceiling, Attack, Release), 1.0);
  EXPECT_EQ(quiet.Left, untouched.Left);
}

TEST(SynthOscillator, PulsesCarryNoOffsetAndNoiseRepeats) {
  // A 12.5% pulse at 441 Hz: exactly 100 samples a cycle.
  TOscillator pulse(TWaveform::Pulse, 0.125, false);
  double sum = 0.0, peak = 0.0;
  for (int i = 0; i < 100 * 20; ++i) {
    const double value = pulse.Next(441.0);
    sum += value;
    peak = std::max(peak, std::abs(value));
  }
  EXPECT_NEAR(sum / 2000.0, 0.0, 1e-3);
  EXPECT_LE(peak, 1.0 + 1e-9);

  TOscillator first(TWaveform::Noise, 0.5, false), second(TWaveform::Noise, 0.5, false);
  int changes = 0;
  double previous = 0.0;
  for (int i = 0; i < 4000; ++i) {
    const double value = first.Next(2000.0);
    ASSERT_EQ(value, second.Next(2000.0));
    changes += value != previous;
    previous = value;
  }
  // 4000 samples at 16000 register steps a second are 1451 steps; about half flip the output.
  EXPECT_GT(changes, 600);
}

TEST(SynthScore, NotesLandWhereTheScoreSaysAndCarryTheirSettings) {
  const TScore score = ParseScore(
      "role bonus  # a comment\n"
      "tempo 120\n"
      "voice a pulse duty=25% echo=100ms echovolume=50% pan=-40%\n"
      "voice b noise noise=short\n"
      "a: C4/4 D#4 | Bb3/8. r/16 (E4/8t)x3 [C5 E5 G5]/4+8 | volume=20% A4>A5/250ms\n"
      "b: C8/1.5s\n",
      "T");
  EXPECT_EQ(score.Role, TCueRole::Bonus);
  // Every note of voice a comes with its echo straight after it.
  std::vector<TNote> notes, echoes;
  for (size_t i = 0; i + 1 < score.Notes.size(); i += 2) {
    notes.push_back(score.Notes[i]);
    echoes.push_back(score.Notes[i + 1]);
  }
  ASSERT_EQ(notes.size(), 8u);
  const double starts[] = {0.0, 0.5, 1.0, 1.5, 1.5 + 1.0 / 6, 1.5 + 2.0 / 6, 2.0, 2.75};
  const double lengths[] = {0.5, 0.5, 0.375, 1.0 / 6, 1.0 / 6, 1.0 / 6, 0.75, 0.25};
  for (size_t i = 0; i < notes.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(notes[i].StartSeconds, starts[i], 1e-9);
    EXPECT_NEAR(notes[i].LengthSeconds, lengths[i], 1e-9);
    EXPECT_NEAR(echoes[i].StartSeconds, starts[i] + 0.1, 1e-9);
    EXPECT_DOUBLE_EQ(echoes[i].Instrument.Volume, notes[i].Instrument.Volume * 0.5);
    EXPECT_DOUBLE_EQ(echoes[i].Instrument.Pan, 0.4);
  }
  EXPECT_EQ(notes[1].Pitches, std::vector<double>{63});
  EXPECT_EQ(notes[2].Pitches, std::vector<double>{58});
  EXPECT_EQ(notes[6].Pitches, (std::vector<double>{72, 76, 79}));
  EXPECT_EQ(notes[7].SlideTo, 81.0);
  EXPECT_DOUBLE_EQ(notes[6].Instrument.Volume, 0.7);
  EXPECT_DOUBLE_EQ(notes[7].Instrument.Volume, 0.2);
  EXPECT_DOUBLE_EQ(notes[0].Instrument.Duty, 0.25);
  EXPECT_TRUE(score.Notes.back().Instrument.ShortNoise);
  EXPECT_DOUBLE_EQ(score.LengthSeconds, 3.0);
  EXPECT_DOUBLE_EQ(PitchHertz(69), 440.0);
  EXPECT_DOUBLE_EQ(PitchHertz(57), 220.0);
}

TEST(SynthScore, FaultsNameTheirLine) {
  const auto faultOf = [](const char* text) {
    try {
      ParseScore(text, "CUE");
    } catch (const TScoreError& error) {
      return std::string(error.what());
    }
    return std::string("no fault");
  };
  EXPECT_EQ(faultOf("role kill\nvoice v square\n\nv: C4 H4\n").rfind("CUE.score:4:", 0), 0u);
  EXPECT_EQ(faultOf("role kill\nw: C4\n").rfind("CUE.score:2:", 0), 0u);
  EXPECT_EQ(faultOf("role kill\nvoice v square attack=20\nv: C4\n").rfind("CUE.score:2:", 0), 0u);
  EXPECT_EQ(faultOf("role kill\nvoice v square\nv: (C4 D4\n").rfind("CUE.score:3:", 0), 0u);
  EXPECT_EQ(faultOf("role kill\nvoice v square\nv: C4/3\n").rfind("CUE.score:3:", 0), 0u);
  EXPECT_NE(faultOf("voice v square\nv: C4\n").find("no role"), std::string::npos);
}

}  // namespace
