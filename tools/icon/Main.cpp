// Writes the game's icon into an icon theme's folders, or into one Windows icon file:
//   blastover-icon OUTPUT_FOLDER SIZE...   (OUTPUT_FOLDER/SIZExSIZE/apps/blastover.png)
//   blastover-icon --ico FILE.ico SIZE...  (every size in one file, for blastover.exe)
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/Resources.h"
#include "tools/icon/IconFile.h"
#include "tools/icon/IconPainter.h"

namespace {

void WritePng(const std::filesystem::path& path, const TIconPicture& icon) {
  WritePngFile(path.string(), {icon.Pixels.data(), icon.Size, icon.Size, icon.Size}, true);
}

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
  const bool iconFile = argc > 1 && std::string(argv[1]) == "--ico";
  const int first = iconFile ? 3 : 2;
  if (argc <= first) {
    std::fprintf(stderr, "usage: blastover-icon OUTPUT_FOLDER SIZE...\n       blastover-icon --ico FILE.ico SIZE...\n");
    return 2;
  }
  try {
    const TIconPicture drawing = PaintIcon(DecodePng(FindResource(TResourceKind::Picture, "LaserImage")),
                                           DecodePng(FindResource(TResourceKind::Cursor, "MOUSEFULL")));
    std::vector<TIconImage> images;
    for (int i = first; i < argc; ++i) {
      const int size = std::stoi(argv[i]);
      const TIconPicture icon = ScaleIcon(drawing, size);
      if (iconFile) {
        // The PNG coder writes files: each size passes through one beside the icon file.
        const std::filesystem::path png = std::string(argv[2]) + "." + std::to_string(size) + ".png";
        WritePng(png, icon);
        images.push_back({size, ReadBytes(png)});
        std::filesystem::remove(png);
        continue;
      }
      const std::string sizeName = std::to_string(size) + "x" + std::to_string(size);
      const std::filesystem::path folder = std::filesystem::path(argv[1]) / sizeName / "apps";
      std::filesystem::create_directories(folder);
      WritePng(folder / "blastover.png", icon);
    }
    if (iconFile) WriteIconFile(argv[2], images);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "blastover-icon: %s\n", failure.what());
    return 1;
  }
  return 0;
}
