// The game window on the headless platform: set-up, composition, pacing and the timers.
#include "app/GameSession.h"
#include "menu/MenuForm.h"

#include "GameFixture.h"
#include "HeadlessFixture.h"
#include "menu/MenuForm.h"

namespace {

class WorldFormTest : public THeadlessTest {
 protected:
  explicit WorldFormTest(int width = 1024, int height = 768) : THeadlessTest(width, height) {
    World = std::make_unique<TWorldForm>();
  }

  // Plays a new game until Escape, Ms after now.
  void PlayFor(uint32_t ms) {
    const uint32_t start = Platform->TickCount();
    Platform->SetEscapeScript([start, ms](uint32_t tick) { return tick - start >= ms; });
    World->Quit = false;
    World->ResetGame();
    World->PlayGame();
  }

  std::unique_ptr<TWorldForm> World;
};

TEST_F(WorldFormTest, TheFirstSetUpSizesFromTheDesignAndTheSecondFromTheScreen) {
  World->InitWorld();
  EXPECT_EQ(World->Playfield().Width(), 236);
  EXPECT_EQ(World->Playfield().Height(), 192);
  EXPECT_TRUE(World->Window().IsVisible());
  World->InitWorld();
  EXPECT_EQ(World->Playfield().Width(), 410);
  EXPECT_EQ(World->Playfield().Height(), 307);
  EXPECT_EQ(World->ScreenPicture().Width(), 1024);
  EXPECT_EQ(World->ScreenPicture().Height(), 768);
  EXPECT_TRUE(World->ShowPlayHint);
  // The window starts fully see-through: nothing covered, not even by black.
  const TCapturedFrame& frame = Platform->LastFrame(TWindowKind::Overlay);
  ASSERT_EQ(frame.Width, 1024);
  EXPECT_TRUE(std::all_of(frame.Pixels.begin(), frame.Pixels.end(), [](uint32_t p) { return p == 0; }));
}

TEST_F(WorldFormTest, TheSetUpReadsTheTableOnceAndSaysOnceWhatIsWrongWithIt) {
  WriteText(Folder() + "HISCORE.XML", "<root><RANK1><SCORE>lots</SCORE></RANK1></root>");
  for (uint32_t at : {0u, 100u}) Platform->ScheduleKey(Platform->TickCount() + at, VK_RETURN);
  World->InitWorld();
  World->InitWorld();
  EXPECT_EQ(Platform->EventsOf("caption").size(), 1u);
  EXPECT_EQ(World->Menu->HiScoreList->Items(0)->Score, 1000);
}

TEST_F(WorldFormTest, APlayfieldPixelShowsEnlargedOnTheScreenAndTheRestStaysBlack) {
  World->InitWorld();
  World->InitWorld();
  for (int y = 49; y <= 51; ++y)
    for (int x = 99; x <= 101; ++x) World->Playfield().SetPixel(x, y, 0x00FF8000);
  World->ComposeFrame();
  const TCapturedFrame& frame = Platform->LastFrame(TWindowKind::Overlay);
  // Playfield pixel (100, 50) lies under screen pixels 250 to 252 and 125 to 127
  // (1024 / 410 is a little under 2.5); its neighbours have its colour, so no mixing.
  // The picture is premultiplied ARGB, its alpha the part of each pixel that is covered.
  EXPECT_EQ(frame.Pixel(251, 126), 0xFFFF8000u);
  EXPECT_EQ(frame.Pixel(0, 0), 0u);
  EXPECT_EQ(frame.Pixel(256, 126), 0u);
  const uint32_t edge = frame.Pixel(254, 126);  // the filtered edge: partly covered, in the square's colour
  EXPECT_GT(edge >> 24, 0u);
  EXPECT_LT(edge >> 24, 255u);
  EXPECT_EQ((edge >> 16) & 0xFF, edge >> 24);
  EXPECT_NEAR(static_cast<double>((edge >> 8) & 0xFF), (edge >> 24) * 128.0 / 255, 1.0);
  int lit = 0;
  for (uint32_t p : frame.Pixels) lit += (p & 0xFFFFFF) != 0;
  EXPECT_GE(lit, 8 * 8);
  EXPECT_LE(lit, 10 * 10);
}

TEST_F(WorldFormTest, TheGunIsThePointerDividedByTwoAndAHalf) {
  World->InitWorld();
  Platform->SetPointerPos(1023, 767);
  TPoint p{-1, -1};
  World->GetGunPos(p);
  EXPECT_EQ(p.X, 409);
  EXPECT_EQ(p.Y, 307);
  Platform->SetPointerReadable(false);
  World->GetGunPos(p);
  EXPECT_EQ(p.X, 409);
}

TEST_F(WorldFormTest, TheWaveTimerClearsTheCueWindowAndRaisesTheWindowWhenInactive) {
  World->InitWorld();
  World->PlayCue("killmonster");
  World->PlayCue("killmonster");
  Platform->AdvanceClock(WaveTimerIntervalMs);
  Platform->ProcessMessages();
  World->PlayCue("killmonster");
  EXPECT_EQ(Platform->EventsOf("sound").size(), 2u);
  EXPECT_EQ(Platform->EventsOf("raise").size(), 1u);
}

TEST_F(WorldFormTest, AScreenThatChangesSizeDuringPlayIsFollowedFromTheNextFrame) {
  World->InitWorld();
  World->InitWorld();
  Platform->KeepFrames(100);
  const uint32_t start = Platform->TickCount();
  constexpr uint32_t ShrinkAtMs = 500;
  // A smaller mode chosen during play, then a monitor plugged in after the game.
  TTimer shrink(ShrinkAtMs, [&] { Platform->SetScreenSize(800, 600); });
  PlayFor(2 * ShrinkAtMs);
  uint32_t firstSmall = 0;
  for (const TCapturedFrame& frame : Platform->Frames(TWindowKind::Overlay)) {
    if (frame.Width == 1024) {
      EXPECT_LT(frame.Tick - start, ShrinkAtMs + 1) << "a large frame after the change";
    }
    if (frame.Width == 800 && firstSmall == 0) firstSmall = frame.Tick;
  }
  ASSERT_NE(firstSmall, 0u);
  EXPECT_LE(firstSmall - start, ShrinkAtMs + 2 * FrameIntervalMs) << "not within two frames";
  EXPECT_EQ(World->Playfield().Width(), 320);
  EXPECT_EQ(World->Playfield().Height(), 240);

  shrink.SetEnabled(false);
  Platform->SetScreenSize(1280, 720);
  const int before = Platform->FrameCount(TWindowKind::Overlay);
  PlayFor(ShrinkAtMs);
  EXPECT_EQ(World->Playfield().Width(), 512);
  EXPECT_EQ(World->Playfield().Height(), 288);
  EXPECT_EQ(World->ScreenPicture().Width(), 1280);
  // Every frame of that game, its first included, has the new size.
  const std::deque<TCapturedFrame>& frames = Platform->Frames(TWindowKind::Overlay);
  const size_t played = static_cast<size_t>(Platform->FrameCount(TWindowKind::Overlay) - before);
  ASSERT_LE(played, frames.size());
  for (size_t i = frames.size() - played; i < frames.size(); ++i) EXPECT_EQ(frames[i].Width, 1280) << i;
}

TEST_F(WorldFormTest, AGameOnAnotherMonitorThanSetUpFirstReadIsSizedForThatMonitor) {
  // The first set-up reads the screen before the window is placed; the desktop then puts
  // it on a smaller monitor, which the second set-up reads.
  World->InitWorld();
  Platform->SetScreenSize(1280, 720);
  World->InitWorld();
  PlayFor(200);
  EXPECT_EQ(World->Playfield().Width(), 512);
  EXPECT_EQ(World->Playfield().Height(), 288);
  EXPECT_EQ(World->ScreenPicture().Width(), 1280);
  EXPECT_EQ(World->ScreenPicture().Height(), 720);
}

class WorldFormPacingTest : public THeadlessTest {};

TEST_F(WorldFormPacingTest, AMinuteOfPlayPacesFramesAndTimersAndEscapeEndsTheProgram) {
  const uint32_t start = Platform->TickCount();
  int gunTicks = 0, menuGunTicks = 0;
  // The gun's tick asks for the buttons once, whatever happens in the game; it rests
  // while the menu shows.
  Platform->SetButtonScript([&](uint32_t) {
    ++(Platform->IsShown(TWindowKind::Menu) ? menuGunTicks : gunTicks);
    return 0u;
  });
  Platform->SetEscapeScript([start](uint32_t tick) { return tick - start >= 60000; });
  // A game over brings the menu: the player takes PLAY there, and QUIT after the minute.
  TTimer menuPlayer(50, [&] {
    if (Platform->IsShown(TWindowKind::Menu))
      Platform->ScheduleKey(Platform->TickCount(), Platform->TickCount() - start >= 60000 ? VK_ESCAPE : VK_RETURN);
  });
  TGameSession session(*Platform);
  TWorldForm* World = &session.World();
  World->RunGame();

  EXPECT_TRUE(World->Quit);
  EXPECT_GE(Platform->TickCount() - start, 60000u);
  // In play, a frame every 30 ms: the first at once, the last in the pass that saw the
  // game end. Besides those: the two clear pictures of the set-up and one per game end.
  int playFrames = 0, games = 0;
  uint32_t shownAt = 0;
  for (const THeadlessEvent& event : Platform->Events()) {
    if (event.Detail != "overlay") continue;
    if (event.What == "show") shownAt = event.Tick;
    if (event.What == "hide") {
      playFrames += static_cast<int>((event.Tick - shownAt) / FrameIntervalMs) + 1;
      ++games;
    }
  }
  EXPECT_GE(games, 1);
  EXPECT_NEAR(Platform->FrameCount(TWindowKind::Overlay) - 2 - games, playFrames, games);
  EXPECT_GE(gunTicks, 550);
  EXPECT_EQ(menuGunTicks, 0);
  // The loops sleep between frames and timers instead of spinning.
  EXPECT_LE(Platform->TimesWaited(), static_cast<int>(Platform->TickCount() - start) / 16 + 600 + 300 + 1200);
  EXPECT_FALSE(World->Window().IsVisible());
  const TCapturedFrame& last = Platform->LastFrame(TWindowKind::Overlay);
  EXPECT_TRUE(std::all_of(last.Pixels.begin(), last.Pixels.end(), [](uint32_t p) { return p == 0; }));
}

// The press that closes the menu or a message is spent there: the game that follows
// neither fires at once nor quits.
TEST_F(WorldFormPacingTest, TheClickOrEscapeThatClosesAScreenDoesNotCarryIntoTheGame) {
  // The start-up message, closed with Escape; a click on PLAY in the menu after the first game.
  WriteText(Folder() + "HISCORE.XML", "<root><R><SCORE>lots</SCORE></R></root>");
  // A screen the menu fits on whole, so that the click lands on PLAY as the menu draws it.
  Platform->SetScreenSize(1024, 768);
  Platform->ScheduleKey(Platform->TickCount() + 100, VK_ESCAPE);
  TGameSession session(*Platform);
  TWorldForm& world = session.World();
  ASSERT_EQ(Platform->EventsOf("caption").size(), 1u);
  uint32_t start = Platform->TickCount();
  Platform->SetEscapeScript([&start](uint32_t tick) { return static_cast<int32_t>(tick - start) >= 2000; });
  world.ResetGame();
  world.PlayGame();
  EXPECT_GE(Platform->TickCount() - start, 2000u) << "the first game was quit by the Escape that closed the message";

  TTimer menuPlayer(50, [&] {
    if (Platform->IsShown(TWindowKind::Menu)) Platform->ScheduleWindowClick(Platform->TickCount(), 40, 550);
  });
  start = Platform->TickCount() + 1000;  // long after the menu has gone
  world.Quit = false;
  world.Quit = world.Menu->RunMenu(-1);
  ASSERT_FALSE(world.Quit);
  world.ResetGame();
  world.PlayGame();
  EXPECT_EQ(world.Statistics.ShotsFired, 0) << "the click on PLAY fired";
  EXPECT_TRUE(world.ShowPlayHint);
}

// The gun's timer rests under the menu and starts afresh with the next game: a click
// made in the menu just before a game starts still does not fire, and one made just
// after it starts does.
TEST_F(WorldFormPacingTest, AClickJustBeforeAGameStartsDoesNotFireAndOneJustAfterDoes) {
  Platform->SetScreenSize(1024, 768);
  TGameSession session(*Platform);
  TWorldForm& world = session.World();
  constexpr uint32_t Watched = 3 * MouseTimerIntervalMs;
  int menus = 0;
  bool inMenu = true;
  uint32_t gameStart = 0;
  std::vector<int32_t> shots;  // fired in the first Watched ms of the second and third games
  TTimer director(10, [&] {
    const uint32_t now = Platform->TickCount();
    const bool menu = Platform->IsShown(TWindowKind::Menu);
    if (menu && !inMenu) {
      // Before the second game a click comes with PLAY; the third menu is left.
      if (++menus == 1) Platform->ScheduleClick(now);
      Platform->ScheduleKey(now, menus < 3 ? VK_RETURN : VK_ESCAPE);
    }
    if (!menu && inMenu) {
      gameStart = now;
      if (menus == 2) Platform->ScheduleClick(now);
    }
    inMenu = menu;
    if (menu || gameStart == 0 || now - gameStart < Watched) return;
    if (menus > 0) shots.push_back(world.Statistics.ShotsFired);
    Platform->ScheduleKey(now, VK_ESCAPE);
    gameStart = 0;
  });
  world.RunGame();
  ASSERT_EQ(shots.size(), 2u);
  EXPECT_EQ(shots[0], 0) << "the click made in the menu fired";
  EXPECT_EQ(shots[1], 1) << "the click made as the game started was lost";
}

// What a locked screen must leave as it was: the play state and where the attackers are.
struct TPlaySnapshot {
  int32_t Lives = 0, Score = 0, Level = 0, Kills = 0, Shots = 0;
  std::vector<std::array<int, 4>> Attackers;
  bool operator==(const TPlaySnapshot&) const = default;
};

TPlaySnapshot SnapshotOf(const TWorldForm& world) {
  TPlaySnapshot snapshot{world.Lives, world.Score, world.LevelNumber, world.Statistics.Kills,
                         world.Statistics.ShotsFired, {}};
  for (int i = 0; i < world.MonsterList->Count(); ++i) {
    const TRect r = world.MonsterList->Items(i)->GetBounds();
    snapshot.Attackers.push_back({r.Left, r.Top, r.Right, r.Bottom});
  }
  return snapshot;
}

// A minute with the screen locked in the middle of a game: the attackers that were
// coming for the gun wait, and so does everything else, until the screen is unlocked.
TEST_F(WorldFormPacingTest, AGameHoldsWhileTheScreenIsLockedAndGoesOnAfterwardsAsItWas) {
  Platform->SetScreenSize(1000, 750);
  Platform->SetPointerPos(500, 375);
  TGameSession session(*Platform);
  TWorldForm& world = session.World();
  const uint32_t start = Platform->TickCount();
  constexpr uint32_t LockAt = 8000, UnlockAt = 68000, EndAt = 70000;
  Platform->SetLockScript([start](uint32_t tick) { return tick - start >= LockAt && tick - start < UnlockAt; });
  Platform->SetEscapeScript([start](uint32_t tick) { return tick - start >= EndAt; });
  // The click that unlocks the screen comes while it is still locked.
  Platform->ScheduleClick(start + UnlockAt - 100);
  TPlaySnapshot locked, unlocking;
  uint32_t clockLocked = 0, clockUnlocking = 0;
  int framesLocked = 0, raisesLocked = 0;
  TTimer watcher(10, [&] {
    const uint32_t since = Platform->TickCount() - start;
    if (since >= LockAt + 300 && clockLocked == 0) {
      locked = SnapshotOf(world);
      clockLocked = Now();
      framesLocked = Platform->FrameCount(TWindowKind::Overlay);
      raisesLocked = static_cast<int>(Platform->EventsOf("raise").size());
    }
    if (since >= UnlockAt - 50 && clockUnlocking == 0) {
      unlocking = SnapshotOf(world);
      clockUnlocking = Now();
      EXPECT_EQ(Platform->FrameCount(TWindowKind::Overlay), framesLocked) << "frames were shown while locked";
      EXPECT_EQ(static_cast<int>(Platform->EventsOf("raise").size()), raisesLocked) << "raised over the locker";
    }
  });
  world.ResetGame();
  world.PlayGame();

  ASSERT_NE(clockUnlocking, 0u) << "the game was over before the screen was unlocked";
  EXPECT_FALSE(locked.Attackers.empty()) << "no attacker had come in 8 s: the test means little";
  EXPECT_EQ(locked, unlocking) << "the game went on while the screen was locked";
  EXPECT_LT(clockUnlocking - clockLocked, 300u) << "the game's clock ran while the screen was locked";
  EXPECT_EQ(world.Statistics.ShotsFired, unlocking.Shots) << "the click that unlocked the screen fired";
  EXPECT_GT(Platform->FrameCount(TWindowKind::Overlay), framesLocked + 30) << "the game did not go on";
  // The locker's prompt showed the desktop's own pointer.
  bool restoredWhileLocked = false;
  for (const THeadlessEvent& event : Platform->Events())
    restoredWhileLocked |= event.What == "restore cursors" && event.Tick - start >= LockAt && event.Tick - start < LockAt + 300;
  EXPECT_TRUE(restoredWhileLocked);
}

class WorldFormFrameTest : public TGameTest {};

TEST_F(WorldFormFrameTest, AFrameClearsAndComparesOnlyWhereItDrewYetTheScreenShowsTheWholePlayfield) {
  // A level in full swing: attackers coming in and firing, the gun moving and shooting
  // every second, its flash, the kills and the head-up display.
  const TBitmap32& playfield = World->Playfield();
  const int w = playfield.Width(), h = playfield.Height();
  World->PlayFrame();
  for (int frame = 0; frame < 300; ++frame) {
    AimAt(w / 2 + (frame % 60) - 30, h / 2 + (frame % 40) - 20);
    if (frame % 33 == 0) World->Shoot();
    Frame();
    // Whatever is not black on the playfield lies where the frame says it drew.
    std::vector<bool> named(static_cast<size_t>(w) * h);
    for (const TRect& r : World->MaySet)
      for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, h); ++y)
        for (int x = std::max(r.Left, 0); x < std::min(r.Right, w); ++x) named[static_cast<size_t>(y) * w + x] = true;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        ASSERT_TRUE(named[static_cast<size_t>(y) * w + x] || playfield.Pixel(x, y) == 0)
            << "frame " << frame << ": a pixel at " << x << "," << y << " drawn unnamed";
    if (frame % 10 != 9) continue;
    // The screen shows the enlargement of all of it, though only some places were compared.
    TBitmap32 whole;
    whole.SetSize(World->ScreenPicture().Width(), World->ScreenPicture().Height());
    whole.Draw(whole.BoundsRect(), playfield.BoundsRect(), playfield);
    ASSERT_TRUE(std::equal(whole.Bits(), whole.Bits() + whole.Width() * whole.Height(), World->ScreenPicture().Bits()))
        << "frame " << frame;
  }
  EXPECT_GT(World->MonsterList->Count(), 0);
}

}  // namespace
