// The Windows icon file: a directory of the images, then the images themselves.
#include "tools/icon/IconFile.h"

#include <fstream>
#include <limits>
#include <stdexcept>

namespace {

constexpr size_t DirectoryBytes = 6;
constexpr size_t EntryBytes = 16;
constexpr uint16_t IconType = 1;

void Put16(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

}  // namespace

std::vector<uint8_t> IconFileBytes(const std::vector<TIconImage>& images) {
  if (images.empty() || images.size() > std::numeric_limits<uint16_t>::max())
    throw std::invalid_argument("an icon file holds 1 to 65535 images");
  std::vector<uint8_t> out;
  Put16(out, 0);
  Put16(out, IconType);
  Put16(out, static_cast<uint32_t>(images.size()));
  size_t offset = DirectoryBytes + EntryBytes * images.size();
  for (const TIconImage& image : images) {
    if (image.Size < 1 || image.Size > 256) throw std::invalid_argument("an icon image is 1 to 256 pixels wide");
    if (offset + image.Png.size() > std::numeric_limits<uint32_t>::max())
      throw std::invalid_argument("the icon's images are too large for one file");
    // A byte holds the width and height; 0 stands for 256.
    out.push_back(static_cast<uint8_t>(image.Size % 256));
    out.push_back(static_cast<uint8_t>(image.Size % 256));
    out.push_back(0);  // no palette
    out.push_back(0);
    Put16(out, 1);   // colour planes
    Put16(out, 32);  // bits per pixel: straight alpha and colour
    Put32(out, static_cast<uint32_t>(image.Png.size()));
    Put32(out, static_cast<uint32_t>(offset));
    offset += image.Png.size();
  }
  for (const TIconImage& image : images) out.insert(out.end(), image.Png.begin(), image.Png.end());
  return out;
}

void WriteIconFile(const std::string& path, const std::vector<TIconImage>& images) {
  const std::vector<uint8_t> bytes = IconFileBytes(images);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) throw std::runtime_error("cannot write " + path);
}
