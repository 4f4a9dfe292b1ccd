// Presenting game frames at 1920x1080 through the X11 back end, on an Xvfb of the
// benchmark's own: MIT-SHM (two images) beside XPutImage, without a compositor (the
// window's shape follows the sprites) and with picom (premultiplied ARGB blended as it
// is), and on a display of depth 16 beside one of depth 24.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "PrivateXServer.h"
#include "platform/x11/X11Platform.h"
#include "sprites/Bitmap32.h"
#include "sprites/Resampler.h"
#include "support/Random.h"

namespace {

constexpr int ScreenWidth = 1920;
constexpr int ScreenHeight = 1080;
constexpr int PlayfieldWidth = 768;
constexpr int PlayfieldHeight = 432;
// Frames cycled through, each with the sprites a step further, so that the shape changes.
constexpr int FrameCount = 4;
constexpr int SpriteCount = 100;
constexpr int SpriteSide = 12;

enum class TServerKind { Plain, Compositor, Depth16 };

// One private X server at 1920x1080 of each kind, started when first asked for.
TPrivateXServer& Server(TServerKind kind) {
  static std::unique_ptr<TPrivateXServer> servers[3];
  std::unique_ptr<TPrivateXServer>& server = servers[static_cast<int>(kind)];
  if (!server) {
    server = std::make_unique<TPrivateXServer>(ScreenWidth, ScreenHeight, false, kind == TServerKind::Depth16 ? 16 : 24);
    if (kind == TServerKind::Compositor) server->StartCompositor();
  }
  return *server;
}

// Game-like frames: sprites scattered over a black playfield, enlarged onto the screen.
struct TFrames {
  TBitmap32 Playfields[FrameCount];
  TBitmap32 Screens[FrameCount];

  TFrames() {
    RandSeed(3);
    std::vector<std::pair<int, int>> places;
    for (int i = 0; i < SpriteCount; ++i)
      places.emplace_back(Random(PlayfieldWidth - SpriteSide - FrameCount), Random(PlayfieldHeight - SpriteSide));
    for (int f = 0; f < FrameCount; ++f) {
      TBitmap32& playfield = Playfields[f];
      playfield.SetSize(PlayfieldWidth, PlayfieldHeight);
      for (const auto& [x, y] : places)
        for (int dy = 0; dy < SpriteSide; ++dy)
          for (int dx = 0; dx < SpriteSide; ++dx) playfield.SetPixel(x + f + dx, y + dy, 0x00C08040);
      playfield.SetResampler(std::make_unique<TMyLinearResampler>(TAlphaRule::Coverage));
      Screens[f].SetSize(ScreenWidth, ScreenHeight);
      Screens[f].Draw(Screens[f].BoundsRect(), playfield.BoundsRect(), playfield);
    }
  }
};

void Present(benchmark::State& state, TServerKind kind, bool shared) {
  static const TFrames frames;
  setenv("DISPLAY", Server(kind).Name().c_str(), 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  if (shared)
    unsetenv("BLASTOVER_NO_SHM");
  else
    setenv("BLASTOVER_NO_SHM", "1", 1);
  std::string error;
  std::unique_ptr<TPlatform> platform = CreateX11Platform(error);
  if (!platform) {
    state.SkipWithError(error.c_str());
    return;
  }
  InstallPlatform(platform.get());
  {
    std::unique_ptr<TPlatformWindow> window = platform->CreateWindow(TWindowKind::Overlay);
    window->Show();
    int f = 0;
    for (auto _ : state) {
      const TPixelView source = frames.Playfields[f].View();
      window->Present(frames.Screens[f].View(), &source);
      platform->ProcessMessages();
      f = (f + 1) % FrameCount;
    }
    window->Hide();
  }
  InstallPlatform(nullptr);
  unsetenv("BLASTOVER_NO_SHM");
}

void BM_PresentShmShaped(benchmark::State& state) { Present(state, TServerKind::Plain, true); }
void BM_PresentPutImageShaped(benchmark::State& state) { Present(state, TServerKind::Plain, false); }
void BM_PresentShmComposited(benchmark::State& state) { Present(state, TServerKind::Compositor, true); }
void BM_PresentPutImageComposited(benchmark::State& state) { Present(state, TServerKind::Compositor, false); }
void BM_PresentShmShapedDepth16(benchmark::State& state) { Present(state, TServerKind::Depth16, true); }

// The server works in its own process: real time per frame is what a frame costs.
BENCHMARK(BM_PresentShmShaped)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PresentPutImageShaped)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PresentShmComposited)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PresentPutImageComposited)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PresentShmShapedDepth16)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
