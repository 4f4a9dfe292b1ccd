// The Windows icon file: a directory Windows can read, pointing at every size's PNG.
#include "tools/icon/IconFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/PngCodec.h"
#include "platform/Resources.h"
#include "tools/icon/IconPainter.h"

namespace {

uint32_t Read16(const std::vector<uint8_t>& bytes, size_t at) { return bytes[at] | bytes[at + 1] << 8; }
uint32_t Read32(const std::vector<uint8_t>& bytes, size_t at) { return Read16(bytes, at) | Read16(bytes, at + 2) << 16; }

std::vector<uint8_t> PngOf(const TIconPicture& icon) {
  const std::filesystem::path path = std::filesystem::temp_directory_path() / "blastover-icon-file-test.png";
  WritePngFile(path.string(), {icon.Pixels.data(), icon.Size, icon.Size, icon.Size}, true);
  std::vector<uint8_t> bytes;
  {
    // Closed before the removal, which Windows refuses for an open file.
    std::ifstream file(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }
  std::filesystem::remove(path);
  return bytes;
}

TEST(IconFileTest, EverySizeIsListedWithItsPngAndTheLargestIsNamedZero) {
  const TIconPicture drawing = PaintIcon(DecodePng(FindResource(TResourceKind::Picture, "LaserImage")),
                                         DecodePng(FindResource(TResourceKind::Cursor, "MOUSEFULL")));
  const std::vector<int> sizes{16, 32, 48, 256};
  std::vector<TIconImage> images;
  for (int size : sizes) images.push_back({size, PngOf(ScaleIcon(drawing, size))});
  const std::vector<uint8_t> file = IconFileBytes(images);

  ASSERT_GE(file.size(), 6u + 16u * sizes.size());
  EXPECT_EQ(Read16(file, 0), 0u);
  EXPECT_EQ(Read16(file, 2), 1u);  // an icon, not a cursor
  ASSERT_EQ(Read16(file, 4), sizes.size());
  size_t expectedOffset = 6 + 16 * sizes.size();
  for (size_t i = 0; i < sizes.size(); ++i) {
    const size_t entry = 6 + 16 * i;
    EXPECT_EQ(file[entry], sizes[i] % 256) << sizes[i];
    EXPECT_EQ(file[entry + 1], sizes[i] % 256) << sizes[i];
    EXPECT_EQ(Read16(file, entry + 6), 32u);
    const uint32_t length = Read32(file, entry + 8), offset = Read32(file, entry + 12);
    EXPECT_EQ(offset, expectedOffset);
    ASSERT_LE(offset + length, file.size());
    // Each entry is the very picture the Linux icon theme gets at that size.
    const TDecodedPng decoded = DecodePng({file.data() + offset, length});
    EXPECT_EQ(decoded.Width, sizes[i]);
    EXPECT_EQ(decoded.Pixels, ScaleIcon(drawing, sizes[i]).Pixels);
    expectedOffset += length;
  }
  EXPECT_EQ(expectedOffset, file.size());
}

TEST(IconFileTest, SizesTheFormatCannotNameAreRefused) {
  EXPECT_THROW(IconFileBytes({}), std::invalid_argument);
  EXPECT_THROW(IconFileBytes({{512, {1, 2, 3}}}), std::invalid_argument);
  EXPECT_THROW(IconFileBytes({{0, {1, 2, 3}}}), std::invalid_argument);
}

}  // namespace
