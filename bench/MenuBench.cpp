// The menu waiting for the player, its stars falling and its words blinking, on the
// headless platform at 1920x1080: the program's own work for each second of waiting
// (drawing, finding what changed, enlarging it and handing it to the window), without
// the display server's.
#include <benchmark/benchmark.h>

#include "app/GameSession.h"
#include "menu/MenuForm.h"
#include "platform/headless/HeadlessPlatform.h"
#include "support/Random.h"
#include "support/Timing.h"

namespace {

constexpr uint32_t WaitingMs = 10'000;

void BM_MenuWaiting(benchmark::State& state) {
  THeadlessPlatform platform(1920, 1080);
  TGameSession session(platform);
  platform.KeepFrames(0);
  int frames = 0;
  platform.WatchFrames([&frames](TWindowKind kind, const TPixelView&, uint32_t) {
    if (kind == TWindowKind::Menu) ++frames;
  });
  RandSeed(1);
  for (auto _ : state) {
    platform.ScheduleKey(platform.TickCount() + WaitingMs, VK_ESCAPE);  // the menu's QUIT
    session.World().Menu->RunMenu(-1);
  }
  const double seconds = static_cast<double>(state.iterations()) * WaitingMs / 1000;
  state.counters["frames/s"] = frames / seconds;
}

BENCHMARK(BM_MenuWaiting)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
