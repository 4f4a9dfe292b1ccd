// The gun cursor follows the gun's state, frame by frame.
#include "GameFixture.h"

namespace {

class GunCursorTest : public TGameTest {
 protected:
  // The cursors the game asked the desktop to show.
  std::vector<std::string> Installed() { return Platform->EventsOf("cursor"); }
  // The cursor name chosen in each of the next Count frames.
  std::vector<std::string> Names(int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
      Frame();
      names.push_back(World->CursorName);
    }
    return names;
  }
};

TEST_F(GunCursorTest, AShotShowsTheRedArrowThenTheFillingReloadBarThenTheFullOne) {
  QuietLevel();
  World->Shoot();
  const auto names = Names(70);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(names[static_cast<size_t>(i)], "MOUSERED") << i;
  EXPECT_EQ(names[5], "MOUSEARROW1");   // 180 ms after the shot
  EXPECT_EQ(names[6], "MOUSEARROW1");
  EXPECT_EQ(names[7], "MOUSEARROW1");   // 240 ms: 1.2 rounds to 1
  EXPECT_EQ(names[12], "MOUSEARROW2");  // 390 ms: 1.95 rounds to 2
  EXPECT_EQ(names[62], "MOUSEARROW9");   // 1890 ms
  EXPECT_EQ(names[63], "MOUSEARROW10");  // 1920 ms
  // The display step ends the reload after the cursor step of the 2010 ms frame.
  EXPECT_EQ(names[66], "MOUSEARROW10");
  EXPECT_EQ(names[67], "MOUSEFULL");
  // Each change of name is asked for once.
  const auto asked = Installed();
  EXPECT_EQ(std::count(asked.begin(), asked.end(), "MOUSEARROW10"), 1);
  EXPECT_EQ(asked.back(), "MOUSEFULL");
}

TEST_F(GunCursorTest, TheDeathHidesThePointerThenTheGoldCoinShowsTheInvincibility) {
  QuietLevel();
  World->LoseLife({100, 100});
  EXPECT_EQ(Names(1).back(), "MOUSEEMPTY");
  Frame(DeathMs);
  EXPECT_EQ(World->CursorName, "MOUSEEMPTY");  // the display step ends the death after the cursor step
  EXPECT_EQ(Names(1).back(), "MOUSEGOLD");
  Frame(InvincibleMs);
  EXPECT_EQ(World->CursorName, "MOUSEGOLD");  // the mode ended in this very step
  EXPECT_EQ(Names(1).back(), "MOUSEFULL");
}

TEST_F(GunCursorTest, TheSameCursorIsInstalledOnlyOnceAndAgainAfterARestore) {
  QuietLevel();
  Names(5);
  EXPECT_EQ(Installed(), std::vector<std::string>{"MOUSEFULL"});
  World->RestoreCursors();
  Names(1);
  EXPECT_EQ(Installed().size(), 2u);
}

}  // namespace
