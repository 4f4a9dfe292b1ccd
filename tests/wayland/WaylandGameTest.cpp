// The game on real Wayland compositors with the layer shell (sway, KWin): what the player sees, and input.
#include <gtest/gtest.h>

#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "WaylandTestSupport.h"
#include "menu/MenuForm.h"

namespace {

constexpr int Width = 1280, Height = 720;
// Pure red: the head-up display's "1UP" and "HIGH SCORE".
constexpr uint32_t HudRed = 0xFF0000;
constexpr int HudBand = 60;

std::string Name(TCompositorKind kind) { return kind == TCompositorKind::Sway ? "sway" : "KWin"; }

std::string Pointer(int x, int y) {
  return "pointer " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(Width) + " " +
         std::to_string(Height);
}

// A table any score enters, so that the game needs no skill to reach it.
void WriteTableAnyScoreEnters(const TGameRun& game) {
  std::ofstream table(game.GameFolder() + "/HISCORE.XML");
  table << "<root>";
  for (int rank = 1; rank <= 10; ++rank) table << "<RANK" << rank << "><NAME/><SCORE>-1</SCORE></RANK" << rank << ">";
  table << "</root>";
}

std::string ReadTable(const TGameRun& game) {
  std::ifstream file(game.GameFolder() + "/HISCORE.XML");
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// The attackers chase a gun that stands still until the last life is lost; then the
// menu, opaque black in the middle of the output, waits for a name.
bool WaitForNameEntry(TCompositorSession& session, TShot& shot) {
  return WaitForShot(session, shot, [](const TShot& s) { return s.Count(540, 300, 200, 100, 0x000000) > 10000; }, 90000);
}

class TWaylandGameTest : public testing::TestWithParam<TCompositorKind> {
 protected:
  void SetUp() override {
    Session = std::make_unique<TCompositorSession>(GetParam());
    std::string why;
    // Only a compositor that truly cannot start here is skipped, and says why.
    if (!Session->Start(why)) GTEST_SKIP() << Name(GetParam()) << " cannot start here: " << why;
    // An ordinary window of another program fills the output beneath the game.
    Beneath = Session->Run({ProbePath(), "window", std::to_string(Width), std::to_string(Height), "3060A0", "300"},
                           "window.log");
    TShot shot;
    ASSERT_TRUE(WaitForShot(*Session, shot, [](const TShot& s) { return s.Count(600, 300, 80, 80, WindowBeneath) > 6000; }))
        << "the window beneath never showed";
  }

  void TearDown() override {
    Beneath.reset();
    Session.reset();
  }

  // Waits for the first frame of play: the head-up display's red text at the top. Then
  // the pointer moves into the middle: a compositor may tell a new surface about the
  // pointer only once it moves.
  void WaitForPlay(TShot& shot) {
    ASSERT_TRUE(WaitForShot(*Session, shot, [](const TShot& s) { return s.Count(0, 0, s.Width, HudBand, HudRed) > 100; }))
        << "no frame of play; the game said:\n" << Game->Output();
    Game->Input(Pointer(Width / 2 + 1, Height / 2 + 1));
  }

  // Starts the game with the pointer in the middle, away from the edges the attackers come from.
  void StartGame() {
    Game = std::make_unique<TGameRun>(*Session);
    Game->Input(Pointer(Width / 2, Height / 2));
    Game->Start();
  }

  // True when the gun cursor shows in the cursor-sized square at the pointer: ready,
  // reloading, or the coin of a power mode (the player may have been hit meanwhile).
  static bool GunAt(const TShot& shot, int x, int y) {
    return shot.Count(x, y, 32, 32, ReadyFrame) > 4 || shot.Count(x, y, 32, 32, ReloadFrame) > 4;
  }
  static bool ReloadingAt(const TShot& shot, int x, int y) {
    return shot.Count(x, y, 32, 32, ReloadFrame) > 4 && shot.Count(x, y, 32, 32, CoinYellow) == 0;
  }

  std::unique_ptr<TCompositorSession> Session;
  std::unique_ptr<TUserProcess> Beneath;
  std::unique_ptr<TGameRun> Game;
};

TEST_P(TWaylandGameTest, TheOverlayCoversTheOutputTheGunFollowsAndFiresAndEscapeLeadsToTheMenu) {
  StartGame();
  TShot shot;
  WaitForPlay(shot);
  EXPECT_NE(Game->Output().find("Wayland back end"), std::string::npos) << Game->Output();
  // A second start while a game runs leaves at once and says why.
  std::unique_ptr<TUserProcess> second = Session->Run({Game->GameFolder() + "/blastover"}, "second.log");
  EXPECT_EQ(second->Wait(10000), 0);
  EXPECT_NE(Session->ReadFile("second.log").find("blastover: a game is already running on Wayland display wayland-"),
            std::string::npos)
      << Session->ReadFile("second.log");
  // Black is see-through: the window beneath shows nearly everywhere, the sprites above it.
  EXPECT_GT(shot.Count(0, HudBand, Width, Height - HudBand, WindowBeneath), (Width * (Height - HudBand)) * 7 / 10);

  // The gun shows wherever the pointer is on the output, corners included: the overlay
  // covers it all and its cursor is the gun.
  for (const auto& [x, y] : {std::pair{8, 70}, std::pair{Width - 40, Height - 40}}) {
    Game->Input(Pointer(x, y));
    EXPECT_TRUE(WaitForShot(*Session, shot, [&](const TShot& s) { return GunAt(s, x, y); }, 3000))
        << "no gun at " << x << "," << y << ": " << shot.Keep("no-gun-" + Name(GetParam()));
  }

  // A click fires: the gun starts to reload. The gun holds its fire while the player
  // dies, and in a power mode from a bonus it touched on its way: the click is made
  // again until it fires, for longer than any of those lasts.
  Game->Input(Pointer(640, 400));
  bool fired = false;
  for (int attempt = 0; attempt < 6 && !fired; ++attempt) {
    Game->Input("click");
    fired = WaitForShot(*Session, shot, [](const TShot& s) { return ReloadingAt(s, 640, 400); }, 2500);
  }
  EXPECT_TRUE(fired) << "the click did not fire: " << shot.Keep("no-shot-" + Name(GetParam()));

  // Escape ends the game; the menu comes, opaque black in the middle of the output.
  Game->Input("keys Escape");
  EXPECT_TRUE(WaitForShot(*Session, shot, [](const TShot& s) { return s.Count(540, 300, 200, 100, 0x000000) > 10000; }))
      << "no menu after Escape";
  // Escape in the menu quits.
  Game->Input("keys Escape");
  EXPECT_EQ(Game->Wait(5000), 0) << Game->Output();
}

TEST_P(TWaylandGameTest, AGameLostToTheEndTakesATypedNameIntoTheHighScoreFile) {
  Game = std::make_unique<TGameRun>(*Session);
  Game->Input(Pointer(Width / 2, Height / 2));
  WriteTableAnyScoreEnters(*Game);
  Game->Start();
  TShot shot;
  WaitForPlay(shot);
  ASSERT_TRUE(WaitForNameEntry(*Session, shot)) << "the game did not end";
  Game->Input("keys w a y 1 Return");
  std::string table;
  for (int tries = 0; tries < 50 && table.find("WAY1") == std::string::npos; ++tries) {
    usleep(100000);
    table = ReadTable(*Game);
  }
  EXPECT_NE(table.find("<NAME>WAY1</NAME>"), std::string::npos) << table;
  Game->Input("keys Escape");
  EXPECT_EQ(Game->Wait(5000), 0) << Game->Output();
}

TEST_P(TWaylandGameTest, AnOutputOfScaleTwoShowsThePictureInItsOwnPixels) {
  // The head-up display's red at scale 1 ...
  StartGame();
  TShot plain;
  WaitForPlay(plain);
  Game.reset();
  // ... and on an output of the same pixels at scale 2, where the compositor's logical
  // size is half as wide: a picture made for that size and enlarged by the compositor
  // would put the text elsewhere, twice as large, and blur it.
  Beneath.reset();
  Session = std::make_unique<TCompositorSession>(GetParam(), TCompositorOptions{Width, Height, 2});
  std::string why;
  ASSERT_TRUE(Session->Start(why)) << why;
  StartGame();
  TShot scaled;
  WaitForPlay(scaled);
  ASSERT_EQ(scaled.Width, Width);
  // "HIGH SCORE", which stands still (the "1UP" beside it blinks).
  int red = 0, same = 0;
  for (int y = 0; y < HudBand; ++y)
    for (int x = Width * 45 / 100; x < Width * 66 / 100; ++x) {
      if (plain.At(x, y) != HudRed) continue;
      ++red;
      same += scaled.At(x, y) == HudRed ? 1 : 0;
    }
  EXPECT_GT(same, red * 95 / 100) << red << " red pixels at scale 1, " << same << " of them red at scale 2: "
                                  << scaled.Keep("scale-2-" + Name(GetParam()));
  EXPECT_LT(scaled.Count(Width * 45 / 100, 0, Width * 21 / 100, HudBand, HudRed), red * 105 / 100);
}

// The game on sway with outputs of other sizes and scales than the first it learns of.
class TWaylandOutputsTest : public testing::Test {
 protected:
  void Start(const TCompositorOptions& options, TCompositorKind kind = TCompositorKind::Sway) {
    Session = std::make_unique<TCompositorSession>(kind, options);
    std::string why;
    if (!Session->Start(why)) GTEST_SKIP() << Name(kind) << " cannot start here: " << why;
    Game = std::make_unique<TGameRun>(*Session);
  }

  std::unique_ptr<TCompositorSession> Session;
  std::unique_ptr<TGameRun> Game;
};

TEST_F(TWaylandOutputsTest, AGameOnTheSmallerOfTwoOutputsKeepsItsDisplayAndQuitOnIt) {
  // 1920 x 1080 first, 1280 x 720 to its right; the pointer, and so the focus, on the second.
  Start({1920, 1080, 1, 1280, 720});
  constexpr int LayoutWidth = 1920 + 1280, LayoutHeight = 1080;
  Game->Input("pointer 2560 360 " + std::to_string(LayoutWidth) + " " + std::to_string(LayoutHeight));
  Game->Start();
  TShot shot;
  ASSERT_TRUE(WaitForShot(*Session, shot, [](const TShot& s) { return s.Count(1920, 0, 1280, HudBand, HudRed) > 100; }))
      << "no frame of play on the second output; the game said:\n" << Game->Output() << shot.Keep("two-outputs");
  // The whole display is laid out for the smaller output: the yellow QUIT in its right
  // half but well inside it (a display laid out for 1920 pixels would put it at 1262 to
  // 1352, cut by the output's edge), nothing of the display on the first output.
  EXPECT_GT(shot.Count(1920 + 640, 0, 640, HudBand, CoinYellow), 50) << "QUIT is not on the output: " << shot.Keep("two-outputs");
  EXPECT_EQ(shot.Count(1920 + 1150, 0, 130, HudBand, CoinYellow), 0) << "QUIT is at the edge: " << shot.Keep("two-outputs");
  EXPECT_EQ(shot.Count(0, 0, 1920, HudBand, HudRed), 0);
  Game->Input("keys Escape");
  EXPECT_TRUE(WaitForShot(*Session, shot, [](const TShot& s) { return s.Count(1920, 0, 1280, HudBand, HudRed) == 0; }));
  Game->Input("keys Escape");
  EXPECT_EQ(Game->Wait(5000), 0) << Game->Output();
}

TEST_F(TWaylandOutputsTest, AScaleChangedDuringPlayIsFollowedAtOnce) {
  Start({Width, Height, 1});
  Game->Input(Pointer(Width / 2, Height / 2));
  Game->Start();
  TShot plain;
  ASSERT_TRUE(WaitForShot(*Session, plain, [](const TShot& s) { return s.Count(0, 0, s.Width, HudBand, HudRed) > 100; }))
      << Game->Output();
  // "HIGH SCORE" in the output's own pixels at either scale: the same red pixels.
  const auto sameRed = [&](const TShot& s) {
    int red = 0, same = 0;
    for (int y = 0; y < HudBand; ++y)
      for (int x = Width * 45 / 100; x < Width * 66 / 100; ++x)
        if (plain.At(x, y) == HudRed) ++red, same += s.At(x, y) == HudRed ? 1 : 0;
    return red > 100 && same > red * 95 / 100;
  };
  ASSERT_EQ(Session->SwayMessage({"output", "HEADLESS-1", "scale", "2"}), 0);
  TShot scaled;
  // A game that kept its old scale would show the display at half its size until the
  // next game; the next frames after the change (and a screenshot's own time) suffice.
  EXPECT_TRUE(WaitForShot(*Session, scaled, sameRed, 1500)) << scaled.Keep("scale-changed");
  Game->Input("keys Escape");
  EXPECT_TRUE(WaitForShot(*Session, scaled, [](const TShot& s) { return s.Count(0, 0, s.Width, HudBand, HudRed) == 0; }));
  Game->Input("keys Escape");
  EXPECT_EQ(Game->Wait(5000), 0) << Game->Output();
}

TEST_F(TWaylandOutputsTest, AGameWhoseOutputIsUnpluggedShowsItsWholeDisplayOnTheOtherOutputAtOnce) {
  // Two outputs side by side (headless sway 1.7 cannot remove one; KWin can turn one off);
  // the game on the second.
  Start({Width, Height, 1, Width, Height}, TCompositorKind::KWin);
  Game->Input("pointer " + std::to_string(Width + Width / 2) + " " + std::to_string(Height / 2) + " " +
              std::to_string(2 * Width) + " " + std::to_string(Height));
  Game->Start();
  TShot shot;
  // KWin's picture is of the output with the pointer.
  ASSERT_TRUE(WaitForShot(*Session, shot, [](const TShot& s) { return s.Count(0, 0, s.Width, HudBand, HudRed) > 100; }))
      << "no frame of play; the game said:\n" << Game->Output() << shot.Keep("before-unplug");
  Game->Input("kwin-output-off 1");
  const auto unplugged = std::chrono::steady_clock::now();
  // "HIGH SCORE" in red and QUIT in yellow: the head-up display is there, all of it.
  const bool shown = WaitForShot(*Session, shot, [](const TShot& s) {
    return s.Count(0, 0, s.Width, HudBand, HudRed) > 100 && s.Count(s.Width / 2, 0, s.Width / 2, HudBand, CoinYellow) > 50;
  }, 8000);
  const auto waited =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - unplugged).count();
  EXPECT_TRUE(shown) << "no display on the output left: " << shot.Keep("after-unplug") << "\n" << Game->Output();
  // A screenshot takes a few hundred milliseconds itself.
  EXPECT_LT(waited, 1500) << shot.Keep("after-unplug");
  RecordProperty("ShownAgainAfterMs", static_cast<int>(waited));
  // The game on its new surface has the keyboard: Escape leads to the menu, and there quits.
  Game->Input("keys Escape");
  EXPECT_TRUE(WaitForShot(*Session, shot, [](const TShot& s) { return s.Count(0, 0, s.Width, HudBand, HudRed) == 0; }))
      << shot.Keep("no-menu-after-unplug");
  Game->Input("keys Escape");
  EXPECT_EQ(Game->Wait(5000), 0) << Game->Output();
}

TEST_F(TWaylandOutputsTest, AtScaleTwoTheMenuIsTwiceItsSizeInTheMiddleEachOfItsPixelsASquareOfFour) {
  constexpr int Wide = 2560, High = 1440;
  constexpr uint32_t Background = 0x102030;
  Start({Wide, High, 2});
  Game->Input("pointer 640 360 1280 720");
  Game->Start();
  TShot shot;
  ASSERT_TRUE(WaitForShot(*Session, shot, [](const TShot& s) { return s.Count(0, 0, s.Width, HudBand, HudRed) > 100; }))
      << Game->Output();
  Game->Input("keys Escape");
  // The menu: everything that is not the desktop's colour (the pointer is over the menu).
  struct TBox {
    int Left = Wide, Top = High, Right = 0, Bottom = 0;
  } box;
  const auto menuShown = [&](const TShot& s) {
    box = {};
    if (s.Count(0, 0, s.Width, HudBand, HudRed) > 0) return false;
    for (int y = 0; y < s.Height; ++y)
      for (int x = 0; x < s.Width; ++x)
        if (s.At(x, y) != Background)
          box = {std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1), std::max(box.Bottom, y + 1)};
    return box.Right - box.Left > 100;
  };
  ASSERT_TRUE(WaitForShot(*Session, shot, menuShown)) << shot.Keep("no-menu-at-scale-2");
  EXPECT_EQ(box.Right - box.Left, 2 * MenuWidth) << shot.Keep("menu-at-scale-2");
  EXPECT_EQ(box.Bottom - box.Top, 2 * MenuHeight);
  // Centred by the compositor, in its logical pixels: two of the output's.
  EXPECT_NEAR(box.Left, (Wide - 2 * MenuWidth) / 2, 2);
  EXPECT_NEAR(box.Top, (High - 2 * MenuHeight) / 2, 2);
  // Its letters keep their look: sent in the output's own pixels, not enlarged by the
  // compositor. The pointer's square is passed over.
  int unlike = 0;
  for (int y = box.Top; y + 1 < box.Bottom; y += 2)
    for (int x = box.Left; x + 1 < box.Right; x += 2) {
      if (std::abs(x - Wide / 2) < 64 && std::abs(y - High / 2) < 64) continue;
      const uint32_t pixel = shot.At(x, y);
      unlike += shot.At(x + 1, y) != pixel || shot.At(x, y + 1) != pixel || shot.At(x + 1, y + 1) != pixel;
    }
  EXPECT_EQ(unlike, 0) << shot.Keep("menu-at-scale-2");
  Game->Input("keys Escape");
  EXPECT_EQ(Game->Wait(5000), 0) << Game->Output();
}

// The game on sway played to its end, and Keys typed into the menu's name entry.
class TWaylandEndingTest : public TWaylandOutputsTest {
 protected:
  void PlayToNameEntryAndType(const std::string& keys) {
    Start({Width, Height, 1});
    Game->Input(Pointer(Width / 2, Height / 2));
    WriteTableAnyScoreEnters(*Game);
    Game->Start();
    TShot shot;
    ASSERT_TRUE(WaitForShot(*Session, shot, [](const TShot& s) { return s.Count(0, 0, s.Width, HudBand, HudRed) > 100; }))
        << Game->Output();
    Game->Input(Pointer(Width / 2 + 1, Height / 2 + 1));
    ASSERT_TRUE(WaitForNameEntry(*Session, shot)) << "the game did not end";
    Game->Input("keys " + keys);
    // The letters reach the menu in its next pass.
    usleep(500000);
  }
};

TEST_F(TWaylandEndingTest, AStopSignalDuringNameEntryLeavesTheRowWithTheNameTypedSoFar) {
  PlayToNameEntryAndType("h u p");
  // The terminal the game was started from is closed.
  Game->Signal(SIGHUP);
  EXPECT_EQ(Game->Wait(10000), 128 + SIGHUP) << Game->Output();
  EXPECT_NE(Game->Output().find("blastover: stopped by SIGHUP"), std::string::npos) << Game->Output();
  EXPECT_NE(ReadTable(*Game).find("<NAME>HUP</NAME>"), std::string::npos) << ReadTable(*Game);
}

TEST_F(TWaylandEndingTest, ACompositorThatDiesDuringNameEntryLeavesTheRowWithTheNameTypedSoFar) {
  PlayToNameEntryAndType("d i e");
  Session->Kill();
  EXPECT_EQ(Game->Wait(10000), 1) << Game->Output();
  EXPECT_NE(Game->Output().find("the Wayland compositor has gone"), std::string::npos) << Game->Output();
  EXPECT_NE(ReadTable(*Game).find("<NAME>DIE</NAME>"), std::string::npos) << ReadTable(*Game);
}

INSTANTIATE_TEST_SUITE_P(Compositors, TWaylandGameTest, testing::Values(TCompositorKind::Sway, TCompositorKind::KWin),
                         [](const testing::TestParamInfo<TCompositorKind>& info) { return Name(info.param); });

}  // namespace
