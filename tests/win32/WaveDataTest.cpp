// Finding the samples in WAVE data: every cue of the program, and damaged data refused.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/Resources.h"
#include "platform/win32/WaveData.h"

namespace {

std::vector<uint8_t> Wave(uint16_t format, uint32_t dataSize, size_t actualData, bool oddChunk = false) {
  std::vector<uint8_t> bytes;
  const auto put = [&](const void* p, size_t n) {
    const size_t at = bytes.size();
    bytes.resize(at + n);
    std::memcpy(bytes.data() + at, p, n);
  };
  const auto u32 = [&](uint32_t v) { put(&v, 4); };
  const auto u16 = [&](uint16_t v) { put(&v, 2); };
  put("RIFF", 4);
  u32(0);
  put("WAVE", 4);
  if (oddChunk) {
    put("LIST", 4);
    u32(3);
    put("abc\0", 4);  // three bytes and the pad byte
  }
  put("fmt ", 4);
  u32(16);
  u16(format);
  u16(2);
  u32(44100);
  u32(44100 * 4);
  u16(4);
  u16(16);
  put("data", 4);
  u32(dataSize);
  bytes.resize(bytes.size() + actualData, 7);
  return bytes;
}

TEST(WaveData, EveryCueIsPcmOfTheGamesFormat) {
  int cues = 0;
  for (const TResource& sound : ListResources(TResourceKind::Sound)) {
    TWaveData wave;
    ASSERT_TRUE(ReadWave(sound.Data, wave)) << sound.Name;
    EXPECT_EQ(wave.Channels, 2);
    EXPECT_EQ(wave.SampleRate, 44100u);
    EXPECT_EQ(wave.BitsPerSample, 16);
    EXPECT_GT(wave.Samples.size(), 0u);
    EXPECT_LE(wave.Samples.data() + wave.Samples.size(), sound.Data.data() + sound.Data.size());
    ++cues;
  }
  EXPECT_EQ(cues, 23);
}

TEST(WaveData, SamplesAreFoundPastPaddedChunksAndDamageIsRefused) {
  TWaveData wave;
  const std::vector<uint8_t> padded = Wave(1, 8, 8, true);
  ASSERT_TRUE(ReadWave(padded, wave));
  EXPECT_EQ(wave.Samples.size(), 8u);
  EXPECT_EQ(wave.Samples[0], 7);

  EXPECT_FALSE(ReadWave(Wave(1, 1000, 8), wave)) << "a data chunk longer than the file";
  EXPECT_FALSE(ReadWave(Wave(2, 8, 8), wave)) << "compressed samples";
  std::vector<uint8_t> noRiff = Wave(1, 8, 8);
  std::memcpy(noRiff.data(), "RIFX", 4);
  EXPECT_FALSE(ReadWave(noRiff, wave));
  EXPECT_FALSE(ReadWave({}, wave));
}

}  // namespace
