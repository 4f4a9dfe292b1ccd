// One whole frame of play (level step, flash, bombs, removals with the blast test,
// bonuses, attackers, missiles, cursor, display and composition) on the headless
// platform at 1920x1080, with 15, 100 and 500 attackers on the playfield.
#include <benchmark/benchmark.h>

#include <climits>
#include <memory>

#include "app/GameSession.h"
#include "game/Level.h"
#include "game/Monsters.h"
#include "platform/headless/HeadlessPlatform.h"
#include "support/Random.h"

namespace {

constexpr int ScreenWidth = 1920;
constexpr int ScreenHeight = 1080;
// The player shoots at the middle of the screen, where the attackers gather, every
// two seconds of game time: the first level's pace.
constexpr int FramesPerShot = 66;
// Frames played before timing, so that the attackers have spread into their chase.
constexpr int WarmUpFrames = 100;

// A game of level 1 in play, with Attackers kept on the playfield: the level refills
// the killed ones at the edges as it always does, and its attackers fire as usual.
class TPlayingGame {
 public:
  explicit TPlayingGame(int attackers)
      : Platform(ScreenWidth, ScreenHeight), Session(Platform), World(&Session.World()) {
    Platform.KeepFrames(0);
    Platform.SetPointerPos(ScreenWidth / 2, ScreenHeight / 2);
    World->ResetGame();
    RandSeed(1);
    World->PlayFrame();  // builds level 1
    TLevel& level = *World->Level;
    level.StartTime = 0;
    level.Remaining = INT_MAX / 2;
    level.MaxOnScreen = attackers;
    const TBitmap32& playfield = World->Playfield();
    for (int i = 0; i < attackers; ++i) {
      TGraphicSprite* kind = level.AttackerKinds.Items(Random(level.AttackerKinds.Count()));
      World->MonsterList->Add(std::make_unique<TMonster>(*World, kind, Random(playfield.Width()), Random(playfield.Height())));
    }
    for (int i = 0; i < WarmUpFrames; ++i) Frame();
  }
  void Frame() {
    Platform.AdvanceClock(FrameIntervalMs);
    if (++Frames % FramesPerShot == 0) World->Shoot();
    World->PlayFrame();
  }

  THeadlessPlatform Platform;
  TGameSession Session;
  TWorldForm* World;
  int Frames = 0;
};

void BM_PlayFrame(benchmark::State& state) {
  TPlayingGame game(static_cast<int>(state.range(0)));
  double attackers = 0, missiles = 0, areas = 0, redrawn = 0;
  for (auto _ : state) {
    game.Frame();
    attackers += game.World->MonsterList->Count();
    missiles += game.World->MissileList->Count();
    const std::vector<TPixelArea>& parts = game.World->ChangedAreas.LastRedrawn();
    areas += static_cast<double>(parts.size());
    for (const TPixelArea& part : parts) redrawn += double{1} * part.Width * part.Height;
  }
  const double frames = static_cast<double>(state.iterations());
  state.counters["attackers"] = attackers / frames;
  state.counters["missiles"] = missiles / frames;
  // How much of the screen was enlarged again per frame, and in how many parts.
  state.counters["areas"] = areas / frames;
  state.counters["redrawn%"] = 100 * redrawn / frames / (ScreenWidth * ScreenHeight);
}

// The composition alone of a frame that changed everywhere (as after a level's start):
// the whole enlargement of the playfield and the hand-over to the window.
void BM_ComposeFrame(benchmark::State& state) {
  TPlayingGame game(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    game.World->ChangedAreas.Forget();
    game.World->ComposeFrame();
  }
}

BENCHMARK(BM_PlayFrame)->Arg(15)->Arg(100)->Arg(500)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ComposeFrame)->Arg(15)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
