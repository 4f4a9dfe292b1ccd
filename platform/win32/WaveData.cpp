// Walking the chunks of a RIFF WAVE file within its bounds.
#include "platform/win32/WaveData.h"

#include <cstring>

namespace {

uint32_t LittleEndian32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }
uint16_t LittleEndian16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

constexpr size_t HeaderBytes = 12, ChunkHeaderBytes = 8, FormatBytes = 16;
constexpr uint16_t PcmFormat = 1;

}  // namespace

bool ReadWave(std::span<const uint8_t> file, TWaveData& wave) {
  if (file.size() < HeaderBytes || std::memcmp(file.data(), "RIFF", 4) != 0 ||
      std::memcmp(file.data() + 8, "WAVE", 4) != 0)
    return false;
  bool haveFormat = false;
  for (size_t at = HeaderBytes; at + ChunkHeaderBytes <= file.size();) {
    const uint8_t* chunk = file.data() + at;
    const size_t size = LittleEndian32(chunk + 4);
    if (size > file.size() - at - ChunkHeaderBytes) return false;
    const uint8_t* body = chunk + ChunkHeaderBytes;
    if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= FormatBytes) {
      if (LittleEndian16(body) != PcmFormat) return false;
      wave.Channels = LittleEndian16(body + 2);
      wave.SampleRate = LittleEndian32(body + 4);
      wave.BitsPerSample = LittleEndian16(body + 14);
      haveFormat = wave.Channels > 0 && wave.SampleRate > 0 && wave.BitsPerSample > 0;
    }
    if (std::memcmp(chunk, "data", 4) == 0) {
      wave.Samples = {body, size};
      return haveFormat;
    }
    // Chunks are padded to an even length.
    at += ChunkHeaderBytes + size + (size & 1);
  }
  return false;
}
