// Where the samples of a RIFF WAVE file lie, and in what format.
#pragma once

#include <cstdint>
#include <span>

struct TWaveData {
  uint16_t Channels = 0;
  uint32_t SampleRate = 0;
  uint16_t BitsPerSample = 0;
  std::span<const uint8_t> Samples;  // inside the file's data
};

// Reads the format and finds the samples of uncompressed PCM WAVE data, every chunk
// checked against the data's end; false for anything else.
bool ReadWave(std::span<const uint8_t> file, TWaveData& wave);
