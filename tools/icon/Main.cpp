// Writes the game's icon into an icon theme's folders:
//   blastover-icon OUTPUT_FOLDER SIZE...   (OUTPUT_FOLDER/SIZExSIZE/apps/blastover.png)
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/Resources.h"
#include "tools/icon/IconPainter.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: blastover-icon OUTPUT_FOLDER SIZE...\n");
    return 2;
  }
  try {
    const TIconPicture drawing = PaintIcon(DecodePng(FindResource(TResourceKind::Picture, "LaserImage")),
                                           DecodePng(FindResource(TResourceKind::Cursor, "MOUSEFULL")));
    for (int i = 2; i < argc; ++i) {
      const int size = std::stoi(argv[i]);
      const TIconPicture icon = ScaleIcon(drawing, size);
      const std::string sizeName = std::to_string(size) + "x" + std::to_string(size);
      const std::filesystem::path folder = std::filesystem::path(argv[1]) / sizeName / "apps";
      std::filesystem::create_directories(folder);
      WritePngFile((folder / "blastover.png").string(), {icon.Pixels.data(), size, size, size}, true);
    }
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "blastover-icon: %s\n", failure.what());
    return 1;
  }
  return 0;
}
