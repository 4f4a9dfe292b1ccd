// Writing the canonical 44-byte WAVE header followed by the samples.
#include "tools/synth/WaveFile.h"

#include <string_view>

namespace {

constexpr uint16_t PcmFormat = 1;
constexpr uint16_t BitsPerSample = 16;
constexpr uint32_t FormatChunkSize = 16;

void PutText(std::vector<uint8_t>& out, std::string_view text) {
  for (char c : text) out.push_back(static_cast<uint8_t>(c));
}

void Put16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
  Put16(out, static_cast<uint16_t>(value));
  Put16(out, static_cast<uint16_t>(value >> 16));
}

}  // namespace

std::vector<uint8_t> EncodeWave(const std::vector<int16_t>& samples, int channels, int sampleRate) {
  const auto dataBytes = static_cast<uint32_t>(samples.size() * sizeof(int16_t));
  const auto blockAlign = static_cast<uint16_t>(channels * BitsPerSample / 8);
  std::vector<uint8_t> out;
  out.reserve(44 + dataBytes);
  PutText(out, "RIFF");
  // What follows the size field: "WAVE", the format chunk with its header, the data chunk header.
  Put32(out, 4 + (8 + FormatChunkSize) + 8 + dataBytes);
  PutText(out, "WAVE");
  PutText(out, "fmt ");
  Put32(out, FormatChunkSize);
  Put16(out, PcmFormat);
  Put16(out, static_cast<uint16_t>(channels));
  Put32(out, static_cast<uint32_t>(sampleRate));
  Put32(out, static_cast<uint32_t>(sampleRate) * blockAlign);
  Put16(out, blockAlign);
  Put16(out, BitsPerSample);
  PutText(out, "data");
  Put32(out, dataBytes);
  for (int16_t sample : samples) Put16(out, static_cast<uint16_t>(sample));
  return out;
}
