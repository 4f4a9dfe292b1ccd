// Sound cues through SDL's disk audio driver: the mixed output holds exactly the cues
// the game started, each where it started.
#include "platform/sdl/SdlAudio.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

#include "platform/Resources.h"
#include "platform/headless/HeadlessPlatform.h"
#include "sound/CueGuard.h"

namespace {

constexpr int FramesPerBuffer = 1024;  // the output's buffer: a cue starts on its boundary

// The headless platform with a real audio output behind its sound requests.
class TAudibleHeadless : public THeadlessPlatform {
 public:
  using THeadlessPlatform::THeadlessPlatform;
  bool PlaySound(const std::string& name) override {
    THeadlessPlatform::PlaySound(name);
    return Audio->Play(name);
  }
  std::unique_ptr<TSdlAudio> Audio;
};

// The interleaved 16-bit samples of a WAVE resource.
std::vector<int16_t> CueSamples(const std::string& name) {
  const auto data = FindResource(TResourceKind::Sound, name);
  for (size_t at = 12; at + 8 <= data.size();) {
    uint32_t size = 0;
    std::memcpy(&size, data.data() + at + 4, 4);
    if (std::memcmp(data.data() + at, "data", 4) == 0) {
      std::vector<int16_t> samples(size / 2);
      std::memcpy(samples.data(), data.data() + at + 8, samples.size() * 2);
      return samples;
    }
    at += 8 + size + size % 2;
  }
  return {};
}

class SdlAudioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Output = ::testing::TempDir() + "blastover-audio-" + std::to_string(::getpid()) + ".raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", Output.c_str(), 1);
    Platform = std::make_unique<TAudibleHeadless>(640, 480);
    InstallPlatform(Platform.get());
    Platform->Audio = std::make_unique<TSdlAudio>();
    ASSERT_TRUE(Platform->Audio->Available());
  }
  void TearDown() override {
    InstallPlatform(nullptr);
    Platform.reset();
    std::remove(Output.c_str());
    unsetenv("SDL_DISKAUDIOFILE");
    setenv("SDL_AUDIODRIVER", "dummy", 1);
  }

  // Lets the output run for Ms of real time, closes it and reads what it wrote.
  std::vector<int16_t> Record(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    Platform->Audio.reset();
    std::ifstream file(Output, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
  }

  // The largest difference between the output and the expected sum of cues, each
  // starting at (its own offset + a common start), at the best common start.
  static int Distance(const std::vector<int16_t>& output,
                      const std::vector<std::pair<const std::vector<int16_t>*, size_t>>& cues) {
    int best = INT32_MAX;
    for (size_t start = 0; start + 2 * FramesPerBuffer <= output.size(); start += 2 * FramesPerBuffer) {
      int worst = 0;
      for (size_t i = start; i < output.size() && worst < best; ++i) {
        int expected = 0;
        for (const auto& [samples, offset] : cues) {
          const size_t at = start + offset;
          if (i >= at && i - at < samples->size()) expected += (*samples)[i - at];
        }
        expected = std::clamp(expected, -32768, 32767);
        worst = std::max(worst, std::abs(expected - output[i]));
      }
      best = std::min(best, worst);
    }
    return best;
  }

  std::string Output;
  std::unique_ptr<TAudibleHeadless> Platform;
  TCueGuard Cues;
};

TEST_F(SdlAudioTest, TwoCuesOfOneFrameSoundTogetherAndARepeatInTheWindowDoesNot) {
  const auto kill = CueSamples("KILLMONSTER");
  const auto bonus = CueSamples("DONKEYKONGBONUS");
  Cues.Play("killmonster");
  for (int i = 0; i < 10; ++i) Cues.Play("donkeykongbonus");
  Cues.Play("KillMonster");
  const auto output = Record(900);
  // The output mixes on its own thread: when it takes its next buffer between the two
  // starts, the bonus starts one buffer (23 ms) after the kill, which no one hears.
  size_t late = 0;
  for (size_t buffers : {0, 1})
    if (Distance(output, {{&kill, 0}, {&bonus, buffers * 2 * FramesPerBuffer}}) <= 2) late = buffers + 1;
  ASSERT_NE(late, 0u) << "the output is not one kill and one bonus starting together";
  const size_t bonusAt = (late - 1) * 2 * FramesPerBuffer;
  // Had the bonus sounded twice, the output would be far from one kill and one bonus.
  EXPECT_GT(Distance(output, {{&kill, 0}, {&bonus, bonusAt}, {&bonus, bonusAt}}), 1000);
}

TEST_F(SdlAudioTest, AQuietOutputRestsOnlyWhenAllowedAndTheNextCueSoundsInFull) {
  TSdlAudio& audio = *Platform->Audio;
  const auto fileSize = [this] {
    std::ifstream file(Output, std::ios::binary | std::ios::ate);
    return static_cast<long>(file.tellg());
  };
  audio.Play("killmonster");
  std::this_thread::sleep_for(TSdlAudio::QuietTime + std::chrono::milliseconds(200));
  audio.RestWhenQuiet();
  EXPECT_FALSE(audio.Resting()) << "a game is on: the output stays open however quiet";
  audio.LetRest(true);
  audio.RestWhenQuiet();
  ASSERT_TRUE(audio.Resting());
  // A resting output writes nothing more.
  const long rested = fileSize();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(fileSize(), rested);
  audio.LetRest(false);
  EXPECT_FALSE(audio.Resting()) << "the game starts with its output open";
  audio.LetRest(true);
  audio.RestWhenQuiet();
  ASSERT_TRUE(audio.Resting());
  // The output opens again (its file starts anew) and the cue plays from its start.
  EXPECT_TRUE(audio.Play("donkeykongbonus"));
  EXPECT_FALSE(audio.Resting());
  const auto bonus = CueSamples("DONKEYKONGBONUS");
  EXPECT_LE(Distance(Record(900), {{&bonus, 0}}), 2);
}

TEST_F(SdlAudioTest, AtHalfVolumeACueSoundsAtHalfItsAmplitudeAlsoAfterTheOutputRested) {
  TSdlAudio& audio = *Platform->Audio;
  audio.SetVolume(50);
  // The volume holds across the output's rest and its opening again.
  audio.LetRest(true);
  std::this_thread::sleep_for(TSdlAudio::QuietTime + std::chrono::milliseconds(100));
  audio.RestWhenQuiet();
  ASSERT_TRUE(audio.Resting());
  EXPECT_TRUE(audio.Play("donkeykongbonus"));
  const auto bonus = CueSamples("DONKEYKONGBONUS");
  std::vector<int16_t> half(bonus.size());
  std::transform(bonus.begin(), bonus.end(), half.begin(), [](int16_t sample) { return sample / 2; });
  const auto output = Record(900);
  EXPECT_LE(Distance(output, {{&half, 0}}), 2);
  EXPECT_GT(Distance(output, {{&bonus, 0}}), 1000);
}

TEST_F(SdlAudioTest, MutedNothingPlaysAndTheOutputStaysClosedUntilTheSoundIsOnAgain) {
  TSdlAudio& audio = *Platform->Audio;
  const auto fileSize = [this] {
    std::ifstream file(Output, std::ios::binary | std::ios::ate);
    return static_cast<long>(file.tellg());
  };
  audio.SetVolume(0);
  EXPECT_TRUE(audio.Resting()) << "with the sound off, the output need not keep the sound system awake";
  EXPECT_FALSE(audio.Play("killmonster"));
  audio.LetRest(false);
  EXPECT_TRUE(audio.Resting()) << "a game starting does not open a muted output";
  const long muted = fileSize();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(fileSize(), muted) << "a muted output writes nothing";
  // On again during a game: open at once, and the next cue sounds in full.
  audio.SetVolume(100);
  EXPECT_FALSE(audio.Resting());
  EXPECT_TRUE(audio.Play("donkeykongbonus"));
  const auto bonus = CueSamples("DONKEYKONGBONUS");
  EXPECT_LE(Distance(Record(900), {{&bonus, 0}}), 2);
}

TEST_F(SdlAudioTest, ACueStartsAgainOnceTheWindowClearsWhileTheFirstStillSounds) {
  const auto bonus = CueSamples("DONKEYKONGBONUS");
  Cues.Play("donkeykongbonus");
  Cues.NewWindow();
  std::this_thread::sleep_for(std::chrono::milliseconds(120));
  Cues.Play("donkeykongbonus");
  const auto output = Record(1000);
  // The second playback starts some whole buffers after the first: find how many.
  int best = INT32_MAX;
  for (size_t buffers = 1; buffers < 20; ++buffers)
    best = std::min(best, Distance(output, {{&bonus, 0}, {&bonus, buffers * 2 * FramesPerBuffer}}));
  EXPECT_LE(best, 2);
  EXPECT_GT(Distance(output, {{&bonus, 0}}), 1000);
}

TEST_F(SdlAudioTest, AnOutputThatCannotOpenAgainIsToldOnceAndPlaysAndRestsAgainOnceItCan) {
  TSdlAudio& audio = *Platform->Audio;
  const auto rest = [&audio] {
    audio.LetRest(true);
    for (int i = 0; i < 100 && !audio.Resting(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      audio.RestWhenQuiet();
    }
    return audio.Resting();
  };
  std::this_thread::sleep_for(TSdlAudio::QuietTime);
  ASSERT_TRUE(rest());
  // The output's file cannot be made while a folder takes its name: the output cannot open.
  std::remove(Output.c_str());
  ASSERT_EQ(mkdir(Output.c_str(), 0700), 0);
  testing::internal::CaptureStderr();
  for (int game = 0; game < 3; ++game) {
    audio.LetRest(false);
    EXPECT_TRUE(audio.Resting());
    EXPECT_FALSE(audio.Play("killmonster"));
    audio.LetRest(true);
  }
  const std::string said = testing::internal::GetCapturedStderr();
  const std::string failure = "the audio output cannot be opened again";
  EXPECT_NE(said.find(failure), std::string::npos) << said;
  EXPECT_EQ(said.find(failure), said.rfind(failure)) << "said more than once: " << said;

  // Back: the next game sounds, and the menu after it rests again.
  rmdir(Output.c_str());
  audio.LetRest(false);
  EXPECT_FALSE(audio.Resting());
  EXPECT_TRUE(audio.Play("donkeykongbonus"));
  std::this_thread::sleep_for(std::chrono::milliseconds(900));
  EXPECT_TRUE(rest()) << "the output never rests again";
  const auto bonus = CueSamples("DONKEYKONGBONUS");
  EXPECT_LE(Distance(Record(0), {{&bonus, 0}}), 2);
}

}  // namespace
