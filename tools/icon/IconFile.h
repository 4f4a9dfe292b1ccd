// The Windows icon file (.ico): every size of the game's icon in one file, each image
// kept as a PNG, as Windows reads them since Vista.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TIconImage {
  int Size = 0;                // width and height in pixels, 1 to 256
  std::vector<uint8_t> Png;    // the image as a PNG file's bytes
};

// The bytes of an icon file holding Images in the order given. Throws std::invalid_argument
// for a size the format cannot name or an image too large for it.
std::vector<uint8_t> IconFileBytes(const std::vector<TIconImage>& images);
// Writes IconFileBytes(Images) to Path; throws std::runtime_error when it cannot.
void WriteIconFile(const std::string& path, const std::vector<TIconImage>& images);
