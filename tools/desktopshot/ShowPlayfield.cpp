// Shows a playfield over the desktop as the game's window shows that frame of play, for
// screenshots of the game over a real desktop:
//   show-playfield PLAYFIELD.png SECONDS
// The playfield is one the headless runner saved ("at T snapshot"); it is enlarged onto
// the screen and presented exactly as the play loop does it.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/DesktopPlatform.h"
#include "platform/PngCodec.h"
#include "sprites/Bitmap32.h"
#include "sprites/Resampler.h"

namespace {

void LoadPlayfield(const std::string& path, TBitmap32& playfield) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error(path + " cannot be read");
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const TDecodedPng png = DecodePng(bytes);
  playfield.SetSize(png.Width, png.Height);
  // As the game draws them: colours without alpha of their own.
  for (size_t i = 0; i < png.Pixels.size(); ++i) playfield.Bits()[i] = png.Pixels[i] & 0x00FFFFFFu;
}

void Show(TPlatform& platform, const TBitmap32& playfield, uint32_t seconds) {
  const TScreenSize screen = platform.ScreenSize();
  TBitmap32 picture;
  picture.SetSize(screen.Width, screen.Height);
  picture.Draw(picture.BoundsRect(), playfield.BoundsRect(), playfield);
  std::unique_ptr<TPlatformWindow> window = platform.CreateWindow(TWindowKind::Overlay);
  window->Show();
  const TPixelView source = playfield.View();
  window->Present(picture.View(), &source);
  const uint32_t start = platform.TickCount();
  while (platform.TickCount() - start < seconds * 1000) {
    platform.ProcessMessages();
    platform.WaitForMessage(50);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: show-playfield PLAYFIELD.png SECONDS\n");
    return 2;
  }
  std::string error;
  std::unique_ptr<TPlatform> platform = CreateDesktopPlatform(error);
  if (!platform) {
    std::fprintf(stderr, "show-playfield: %s\n", error.c_str());
    return 1;
  }
  InstallPlatform(platform.get());
  int exitCode = 0;
  try {
    TBitmap32 playfield;
    LoadPlayfield(argv[1], playfield);
    // The game's own enlargement of its playfield.
    playfield.DrawMode = TDrawMode::Custom;
    playfield.SetResampler(std::make_unique<TMyLinearResampler>(TAlphaRule::Coverage));
    Show(*platform, playfield, static_cast<uint32_t>(std::atoi(argv[2])));
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "show-playfield: %s\n", failure.what());
    exitCode = 1;
  }
  InstallPlatform(nullptr);
  return exitCode;
}
