// The menu between games: name entry from the keyboard, the choices, the star field.
#include "menu/MenuForm.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <utility>
#include <vector>

#include "ContrastRatio.h"
#include "GameFixture.h"
#include "MenuFramesExpected.h"
#include "menu/DialogForm.h"
#include "support/MessageDialog.h"
#include "support/Timing.h"

namespace {

// The pictures the menu showed, each with the virtual time (ms after the menu came up)
// from which it showed: a frame equal to the one before shows nothing new.
using TShownPictures = std::vector<std::pair<uint32_t, uint64_t>>;

// FNV-1a over every pixel.
uint64_t PictureDigest(const TPixelView& picture) {
  uint64_t digest = 14695981039346656037ull;
  for (int y = 0; y < picture.Height; ++y)
    for (int x = 0; x < picture.Width; ++x) {
      uint32_t pixel = picture.Row(y)[x];
      for (int byte = 0; byte < 4; ++byte, pixel >>= 8) digest = (digest ^ (pixel & 0xFF)) * 1099511628211ull;
    }
  return digest;
}

std::string ShownPicturesText(const TShownPictures& shown) {
  std::ostringstream text;
  text << std::hex;
  for (const auto& [at, digest] : shown) text << std::dec << at << ' ' << std::hex << digest << '\n';
  return text.str();
}

std::vector<std::string> MessagesShown;

void RecordAndShowMessage(const std::string& text, uint8_t kind) {
  MessagesShown.push_back(text);
  ShowMessageForm(text, kind);
}

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

TEST_F(MenuFormTest, ANameThatCouldNotBeSavedIsSavedAsTheGameEnds) {
  // Another copy holds the table's lock until the player has read why the save failed.
  static TSimulatedFileSystem* disk = nullptr;
  static std::string path;
  disk = Platform->SimulatedDisk();
  path = Folder() + HiScoreFileName;
  disk->HoldLockElsewhere(path, true);
  SetMessageDialogHook([](const std::string& text, uint8_t kind) {
    MessagesShown.push_back(text);
    disk->HoldLockElsewhere(path, false);
    ShowMessageForm(text, kind);
  });
  MessagesShown.clear();
  Type({'A', 'B', VK_RETURN, VK_RETURN, VK_ESCAPE});
  EXPECT_TRUE(Menu().RunMenu(1500));
  ASSERT_EQ(MessagesShown.size(), 1u);
  EXPECT_NE(MessagesShown[0].find("is being saved by another program"), std::string::npos) << MessagesShown[0];
  EXPECT_NE(HiScoreFile().find("<RANK1><NAME>AB</NAME><SCORE>1500</SCORE></RANK1>"), std::string::npos) << HiScoreFile();
  EXPECT_FALSE(Menu().HiScoreList->HasUnsavedRows());
}

TEST_F(MenuFormTest, AnEndFromOutsideDuringTheEntryKeepsTheRowWithTheNameAsTypedSoFar) {
  Type({'W', 'A', 'Y'});
  // The display goes while the menu waits for the rest of the name.
  testing::internal::CaptureStderr();
  TTimer end(1000, [&] {
    Platform->EndFromOutside();
    Menu().QuitLabelClick();
  });
  EXPECT_TRUE(Menu().RunMenu(1500));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_NE(HiScoreFile().find("<RANK1><NAME>WAY</NAME><SCORE>1500</SCORE></RANK1>"), std::string::npos) << HiScoreFile();
}

TEST_F(MenuFormTest, AnEndFromOutsideThatCannotSaveSaysWhyOnStderrAndTriesOnce) {
  const std::string path = Folder() + HiScoreFileName;
  Platform->SimulatedDisk()->HoldLockElsewhere(path, true);
  Type({'A', 'B'});
  testing::internal::CaptureStderr();
  std::string saved = "(not looked at)";
  TTimer end(1000, [&] {
    Platform->EndFromOutside();
    // A second way out (a stop signal while the first one saves) saves nothing more.
    Platform->SimulatedDisk()->HoldLockElsewhere(path, false);
    Platform->EndFromOutside();
    saved = HiScoreFile();
    Menu().QuitLabelClick();
  });
  EXPECT_TRUE(Menu().RunMenu(1500));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("is being saved by another program"), std::string::npos) << said;
  EXPECT_NE(said.find("The scores not saved are lost as the game ends."), std::string::npos) << said;
  EXPECT_EQ(saved, "");
}

TEST_F(MenuFormTest, NineLettersMakeAnEightLetterNameAndNoneAnEmptyOne) {
  Type({'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', VK_RETURN, VK_RETURN});
  Menu().RunMenu(2000);
  EXPECT_EQ(Menu().HiScoreList->Items(0)->Name, "ABCDEFGH");
  Type({VK_BACK, VK_RETURN, VK_RETURN});
  Menu().RunMenu(3000);
  EXPECT_EQ(Menu().HiScoreList->Items(0)->Name, "");
}

TEST_F(MenuFormTest, TheWaitingMenuWakesOnlyForFramesThatChangeAndNeverAsksWhereThePointerIs) {
  World->Quit = true;  // a game left with Escape: not over, and no score to enter
  TTimer stop(2000, [&] { Menu().QuitLabelClick(); });
  const int readsBefore = Platform->PointerReads(), waitsBefore = Platform->TimesWaited();
  Menu().RunMenu(-1);
  // The stars move every second 16 ms frame; the frames between change nothing.
  const int frames = Platform->FrameCount(TWindowKind::Menu);
  EXPECT_GE(frames, 55);
  EXPECT_LE(frames, 70);
  // Besides the frames drawn, only the game's timers (every 100 and 200 ms) and the
  // menu's own (every second) wake it.
  EXPECT_LE(Platform->TimesWaited() - waitsBefore, frames + 20 + 10 + 2 + 2);
  // Only the gun's tick asks, every 100 ms: the stars never do.
  EXPECT_LE(Platform->PointerReads() - readsBefore, 2000 / 100 + 1);
}

TEST_F(MenuFormTest, WithoutAScoreTheMenuShowsTheTableAndEnterPlays) {
  Type({VK_RETURN});
  EXPECT_FALSE(Menu().RunMenu(-1));
  EXPECT_EQ(Menu().HiScoreList->EditIndex, -1);
  EXPECT_EQ(HiScoreFile(), "");
  // The menu came up over the middle of the screen and was clicked there to be active.
  EXPECT_EQ(Platform->EventsOf("click"), std::vector<std::string>{"500,375"});
  // The silent menu let the sound output rest, and the game has it back.
  EXPECT_EQ(Platform->EventsOf("sound-rest"), (std::vector<std::string>{"may", "not"}));
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

TEST_F(MenuFormTest, TheMenuShowsTheSamePicturesAtTheSameMomentsAsItAlwaysHas) {
  // From a fixed seed: stars falling, a name typed, corrected and entered, the blinking
  // row and words, and QUIT clicked. The expected pictures are the menu's as it drew
  // them every 16 ms; however it paces or skips its frames, what shows at each moment
  // must stay the same. BLASTOVER_RECORD_MENU_FRAMES=1 prints them for MenuFramesExpected.h.
  const uint32_t start = Platform->TickCount();
  TShownPictures shown;
  Platform->KeepFrames(0);
  Platform->WatchFrames([&](TWindowKind kind, const TPixelView& picture, uint32_t tick) {
    if (kind != TWindowKind::Menu) return;
    const uint64_t digest = PictureDigest(picture);
    if (shown.empty() || shown.back().second != digest) shown.emplace_back(tick - start, digest);
  });
  Platform->ScheduleKey(start + 300, 'Z');
  Platform->ScheduleKey(start + 1100, VK_BACK);
  Platform->ScheduleKey(start + 1700, 'Q');
  Platform->ScheduleKey(start + 2300, VK_RETURN);
  Platform->ScheduleWindowClick(start + 3000, 520, 550);  // QUIT
  EXPECT_TRUE(Menu().RunMenu(1500));
  Platform->WatchFrames(nullptr);

  const std::string actual = ShownPicturesText(shown);
  if (std::getenv("BLASTOVER_RECORD_MENU_FRAMES") != nullptr) {
    std::cout << actual;
    GTEST_SKIP() << "printed the pictures shown";
  }
  EXPECT_GT(shown.size(), 50u);
  EXPECT_EQ(actual, MenuFramesExpected);
}

TEST_F(MenuFormTest, WhileAMessageIsUpTheMenuBehindItTakesNoClickOrKey) {
  Platform->SetOpenAddressResult(false);  // HOMEPAGE fails and says so, each time
  const uint32_t now = Platform->TickCount();
  Platform->ScheduleWindowClick(now + 100, 300, 550);  // HOMEPAGE: the message comes up
  for (int i = 0; i < 20; ++i) Platform->ScheduleWindowClick(now + 200 + 10 * i, 300, 550, 1);  // the menu beneath
  Platform->ScheduleWindowClick(now + 450, 520, 550, 1);  // QUIT, beneath
  Platform->ScheduleKey(now + 500, VK_RETURN);            // closes the message
  Platform->ScheduleWindowClick(now + 600, 60, 550);      // PLAY, the menu on top again
  EXPECT_FALSE(Menu().RunMenu(-1));
  EXPECT_EQ(Platform->EventsOf("caption"), std::vector<std::string>{"Bericht"});
  EXPECT_EQ(Platform->EventsOf("open").size(), 1u);
}

TEST_F(MenuFormTest, WhileTheHomePageOpensTheMenuGoesOnAndAFailureFoundLaterIsShownOnce) {
  Platform->SetOpenerEnd(1000, EIO);  // the desktop's opener gives up after a second
  MessagesShown.clear();
  SetMessageDialogHook(RecordAndShowMessage);
  const uint32_t now = Platform->TickCount();
  int framesWhileOpening = 0;
  Platform->WatchFrames([&](TWindowKind kind, const TPixelView&, uint32_t tick) {
    if (kind == TWindowKind::Menu && tick > now + 100 && tick < now + 1100) ++framesWhileOpening;
  });
  Platform->ScheduleWindowClick(now + 100, 300, 550);  // HOMEPAGE
  Platform->ScheduleWindowClick(now + 300, 300, 550);  // HOMEPAGE again, the first still at work
  Platform->ScheduleKey(now + 500, 'X');               // a name typed meanwhile
  Platform->ScheduleKey(now + 1300, VK_RETURN);        // closes the message
  Platform->ScheduleKey(now + 1400, VK_RETURN);        // finishes the name
  Platform->ScheduleWindowClick(now + 1500, 520, 550);  // QUIT
  EXPECT_TRUE(Menu().RunMenu(4000));
  Platform->WatchFrames(nullptr);
  SetMessageDialogHook(ShowMessageForm);
  EXPECT_GT(framesWhileOpening, 30);
  EXPECT_EQ(Menu().HiScoreList->Items(0)->Name, "X");
  EXPECT_EQ(Platform->EventsOf("open").size(), 1u);
  EXPECT_EQ(Platform->EventsOf("caption"), std::vector<std::string>{"Bericht"});
  ASSERT_EQ(MessagesShown.size(), 1u);
  EXPECT_EQ(MessagesShown[0], "Kon programma file://" + Folder() + "homepage.html niet uitvoeren. " +
                                  std::strerror(EIO) + " (Code " + std::to_string(EIO) + ")");
}

TEST_F(MenuFormTest, AMessageAskedForWhileOneIsUpFollowsItInsteadOfOpeningInsideIt) {
  auto other = Platform->CreateWindow(TWindowKind::Menu);
  other->OnKeyDown = [](uint16_t) { ShowMessageDialog("first", MessageKindError); };
  uint32_t secondTook = 0;
  other->OnMouseDown = [&](int, int) {
    const uint32_t asked = Platform->TickCount();
    ShowMessageDialog("second", MessageKindError);
    secondTook = Platform->TickCount() - asked;
  };
  other->Show();
  const uint32_t now = Platform->TickCount();
  Platform->ScheduleKey(now + 10, 'A');               // the first message comes up
  Platform->ScheduleWindowClick(now + 100, 1, 1, 1);  // the window beneath it asks for a second
  Platform->ScheduleKey(now + 200, VK_RETURN);
  Platform->ScheduleKey(now + 400, VK_RETURN);
  WaitMs(600);
  EXPECT_EQ(secondTook, 0u);  // not shown inside the first one's loop...
  EXPECT_EQ(Platform->EventsOf("caption").size(), 2u);  // ...but after it
  EXPECT_FALSE(DialogIsShown());
}

TEST_F(MenuFormTest, OnAScreenSmallerThanTheMenuAllOfItFitsAndEveryWordCanBeClicked) {
  Platform->SetScreenSize(320, 240);
  const uint32_t now = Platform->TickCount();
  // The words' places shrink with the menu: QUIT at about (541, 556) of 625 x 580.
  Platform->ScheduleWindowClick(now + 100, 541 * 240 / 580, 556 * 240 / 580);
  Platform->ScheduleKey(now + 1000, VK_RETURN);  // PLAY, should the click have missed
  EXPECT_TRUE(Menu().RunMenu(-1));
  EXPECT_EQ(Platform->EventsOf("bounds").back(), "31,0,258x240");
  const TCapturedFrame& frame = Platform->Frames(TWindowKind::Menu).back();
  EXPECT_EQ(frame.Width, 258);
  EXPECT_EQ(frame.Height, 240);
  Platform->SetScreenSize(1000, 750);
  Type({VK_ESCAPE});
  Menu().RunMenu(-1);
  EXPECT_EQ(Platform->EventsOf("bounds").back(), "187,85,625x580");
}

TEST_F(MenuFormTest, AtTwiceTheScaleEachPixelIsASquareOfFourAndTheWordsAreClickedWhereTheyShow) {
  Platform->SetScreenSize(3840, 2160);
  Platform->SetInterfaceScale(2.0);
  Platform->KeepFrames(100);
  const uint32_t now = Platform->TickCount();
  // QUIT at about (541, 556) of the menu's own 625 x 580.
  Platform->ScheduleWindowClick(now + 300, 541 * 2, 556 * 2);
  Platform->ScheduleKey(now + 1000, VK_RETURN);  // PLAY, should the click have missed
  EXPECT_TRUE(Menu().RunMenu(-1));
  EXPECT_EQ(Menu().ShownMultiple(), 2);
  EXPECT_EQ(Platform->EventsOf("bounds").back(), "1295,500,1250x1160");
  for (const TCapturedFrame& frame : Platform->Frames(TWindowKind::Menu)) {
    ASSERT_EQ(frame.Width, 1250);
    ASSERT_EQ(frame.Height, 1160);
    for (int y = 0; y < frame.Height; y += 2)
      for (int x = 0; x < frame.Width; x += 2) {
        const uint32_t pixel = frame.Pixel(x, y);
        ASSERT_TRUE(frame.Pixel(x + 1, y) == pixel && frame.Pixel(x, y + 1) == pixel && frame.Pixel(x + 1, y + 1) == pixel)
            << "at " << x << "," << y;
      }
  }
}

TEST_F(MenuFormTest, AScaleThatDoesNotFitTheScreenFallsToTheLargestWholeOneThatDoes) {
  Platform->SetScreenSize(1366, 768);
  for (const double scale : {1.5, 2.0}) {
    Platform->SetInterfaceScale(scale);
    Type({VK_ESCAPE});
    Menu().RunMenu(-1);
    EXPECT_EQ(Platform->EventsOf("bounds").back(), "370,94,625x580") << scale;
  }
  Platform->SetScreenSize(2560, 1440);
  Platform->SetInterfaceScale(3.0);
  Type({VK_ESCAPE});
  Menu().RunMenu(-1);
  EXPECT_EQ(Platform->EventsOf("bounds").back(), "655,140,1250x1160");
}

TEST_F(MenuFormTest, TheWaitingMenuIsFittedAndCentredAgainAtOnceWhenTheScreenChanges) {
  Platform->SetScreenSize(1920, 1080);
  const uint32_t now = Platform->TickCount();
  // A laptop leaves its dock: 800 x 600. Then a 4K screen at 200 %, then a tiny one.
  Platform->ScheduleScreenChange(now + 500, 800, 600, 1.0);
  Platform->ScheduleScreenChange(now + 1000, 3840, 2160, 2.0);
  Platform->ScheduleScreenChange(now + 1500, 320, 240, 2.0);
  // QUIT where it shows on the small screen.
  Platform->ScheduleWindowClick(now + 2000, 541 * 240 / 580, 556 * 240 / 580);
  Platform->ScheduleKey(now + 3000, VK_RETURN);  // PLAY, should the click have missed
  EXPECT_TRUE(Menu().RunMenu(-1));
  EXPECT_EQ(Platform->EventsOf("bounds"),
            (std::vector<std::string>{"647,250,625x580", "87,10,625x580", "1295,500,1250x1160", "31,0,258x240"}));
  // Every size was shown whole at once.
  EXPECT_EQ(Platform->LastFrame(TWindowKind::Menu).Width, 258);
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
