// The menu between games: name entry from the keyboard, the choices, the star field.
#include "menu/MenuForm.h"

#include "ContrastRatio.h"
#include "GameFixture.h"
#include "support/Timing.h"

namespace {

class MenuFormTest : public TGameTest {
 protected:
  // Keys pressed 100 ms apart from now on.
  void Type(std::initializer_list<uint16_t> keys) {
    uint32_t at = Platform->TickCount();
    for (uint16_t key : keys) Platform->ScheduleKey(at += 100, key);
  }
  std::string HiScoreFile() { return ReadText(Folder() + HiScoreFileName); }
  TMenuForm& Menu() { return *World->Menu; }
};

TEST_F(MenuFormTest, EveryColourOfTheMenusTextStandsOutFromItsBlackByFourAndAHalfToOne) {
  // White, yellow and the two colours of the lower ranks.
  for (int variant = 0; variant <= 3; ++variant) {
    TBitmap32 text;
    text.SetSize(40, 12);
    text.Clear(clBlack32);
    World->Font->DrawTextOn(text, 0, 0, "10TH", variant);
    EXPECT_GE(LowestContrast(text, text.BoundsRect(), [](int, int) { return clBlack32; }), 4.5) << variant;
  }
}

TEST_F(MenuFormTest, AQualifyingScoreTakesANameThatIsWrittenToTheFile) {
  Type({'A', 'B', VK_BACK, 'C', VK_RETURN, VK_RETURN});
  EXPECT_FALSE(Menu().RunMenu(1500));  // the second Enter is PLAY
  EXPECT_EQ(Menu().HiScoreList->Items(0)->Name, "AC");
  EXPECT_EQ(HiScoreFile().rfind("<root><RANK1><NAME>AC</NAME><SCORE>1500</SCORE></RANK1><RANK2><NAME/>", 0), 0u);
  EXPECT_FALSE(Menu().Window().IsVisible());
}

TEST_F(MenuFormTest, ThePromptAndTheBlinkingRowShowWhileANameIsTyped) {
  Type({'Z'});
  Platform->KeepFrames(200);
  TTimer stop(1500, [&] { Menu().QuitLabelClick(); });
  EXPECT_TRUE(Menu().RunMenu(1500));
  // In some frames the new row is hidden, in others shown: compare a pixel of its rank.
  int shown = 0, hidden = 0;
  for (const TCapturedFrame& frame : Platform->Frames(TWindowKind::Menu)) {
    bool lit = false;
    for (int y = 75; y < 93 && !lit; ++y)
      for (int x = 70; x < 100 && !lit; ++x) lit = (frame.Pixel(x, y) & 0xFFFFFF) != 0;
    (lit ? shown : hidden) += 1;
  }
  EXPECT_GT(shown, 10);
  EXPECT_GT(hidden, 10);
  EXPECT_EQ(Menu().HiScoreList->Items(0)->Name, "Z-------");
  EXPECT_EQ(HiScoreFile(), "");  // QUIT during the entry writes nothing
}

TEST_F(MenuFormTest, EscapeDuringTheEntryWritesTheNameAndQuits) {
  Type({'Q', VK_NUMPAD0 + 1, VK_F1, '7', VK_ESCAPE});
  EXPECT_TRUE(Menu().RunMenu(5000));
  // Keypad 1 reads as "a" and F1 as "p": the game's rule for key codes as characters.
  EXPECT_EQ(Menu().HiScoreList->Items(0)->Name, "QAP7");
  EXPECT_NE(HiScoreFile().find("<NAME>QAP7</NAME>"), std::string::npos);
}

TEST_F(MenuFormTest, NineLettersMakeAnEightLetterNameAndNoneAnEmptyOne) {
  Type({'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', VK_RETURN, VK_RETURN});
  Menu().RunMenu(2000);
  EXPECT_EQ(Menu().HiScoreList->Items(0)->Name, "ABCDEFGH");
  Type({VK_BACK, VK_RETURN, VK_RETURN});
  Menu().RunMenu(3000);
  EXPECT_EQ(Menu().HiScoreList->Items(0)->Name, "");
}

TEST_F(MenuFormTest, TheWaitingMenuAsksWhereThePointerIsLessThanOnceAFrame) {
  World->Quit = true;  // a game left with Escape: not over, and no score to enter
  TTimer stop(2000, [&] { Menu().QuitLabelClick(); });
  const int before = Platform->PointerReads();
  Menu().RunMenu(-1);
  const int frames = Platform->FrameCount(TWindowKind::Menu);
  EXPECT_GT(frames, 100);
  // Only the gun's tick asks, every 100 ms: the stars never do.
  EXPECT_LE(Platform->PointerReads() - before, frames / 5);
}

TEST_F(MenuFormTest, WithoutAScoreTheMenuShowsTheTableAndEnterPlays) {
  Type({VK_RETURN});
  EXPECT_FALSE(Menu().RunMenu(-1));
  EXPECT_EQ(Menu().HiScoreList->EditIndex, -1);
  EXPECT_EQ(HiScoreFile(), "");
  // The menu came up over the middle of the screen and was clicked there to be active.
  EXPECT_EQ(Platform->EventsOf("click"), std::vector<std::string>{"500,375"});
}

TEST_F(MenuFormTest, ClickingTheWordsChoosesAndEnterFinishesAnEntryWithoutPlaying) {
  const uint32_t now = Platform->TickCount();
  Platform->ScheduleKey(now + 100, 'X');
  Platform->ScheduleWindowClick(now + 200, 60, 550);   // ENTER: the name is finished
  Platform->ScheduleWindowClick(now + 300, 300, 550);  // HOMEPAGE
  Platform->ScheduleWindowClick(now + 400, 520, 550);  // QUIT
  EXPECT_TRUE(Menu().RunMenu(4000));
  EXPECT_EQ(Menu().HiScoreList->Items(0)->Name, "X");
  EXPECT_NE(HiScoreFile().find("<NAME>X</NAME>"), std::string::npos);
  const auto opened = Platform->EventsOf("open");
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], "file://" + Folder() + "homepage.html");
}

TEST_F(MenuFormTest, AStarThatReachesTheBottomStartsAgainAtTheTopWithItsSpeed) {
  Menu().MenuSurface.SetSize(250, 232);
  TGraphicSprite kind({Block(1, 1)}, {});
  TStar star(Menu().StarWorld, &kind, 100, 226, Color32(1, 2, 3), Menu().MenuSurface);
  star.DY = 3;
  star.Move();
  EXPECT_EQ(star.Y, 4);
  EXPECT_GE(star.X, 8);
  EXPECT_LE(star.X, 250 - 9);
  EXPECT_EQ(star.DY, 3);
}

}  // namespace
