// RIFF WAVE files of 16-bit PCM samples.
#pragma once

#include <cstdint>
#include <vector>

// A complete file: the RIFF header, a "fmt " chunk for uncompressed PCM and the "data" chunk
// holding Samples as written (interleaved when Channels > 1), little-endian.
std::vector<uint8_t> EncodeWave(const std::vector<int16_t>& samples, int channels, int sampleRate);
