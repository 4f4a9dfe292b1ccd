// The message dialog: its banner, its one button, its text, and how it closes.
#include "menu/DialogForm.h"

#include "ContrastRatio.h"
#include "HeadlessFixture.h"
#include "support/MessageDialog.h"

namespace {

class DialogFormTest : public THeadlessTest {};

TEST_F(DialogFormTest, TheBannerFadesToWhiteInOnePixelStripsAndEndsInWhite) {
  const TDialogForm dialog("", "Heading", "", 0, {{"&Ok", mrOk}});
  const TBitmap32& picture = dialog.Picture();
  const int y = DialogTitleBarHeight + 40;  // below the heading's letters
  EXPECT_EQ(picture.Pixel(0, y) & 0xFFFFFF, BannerColour & 0xFFFFFF);
  // Strip i: the banner colour plus (255 - it) * i / 254, rounded.
  EXPECT_EQ(RedComponent(picture.Pixel(127, y)), 198 + Round(57.0 * 127 / 254));
  EXPECT_EQ(BlueComponent(picture.Pixel(200, y)), 239 + Round(16.0 * 200 / 254));
  for (int x = 254; x < DialogClientWidth; ++x) EXPECT_EQ(picture.Pixel(x, y) & 0xFFFFFF, 0xFFFFFFu) << x;
}

TEST_F(DialogFormTest, EveryTextStandsOutFromWhatIsBehindItByAtLeastFourAndAHalfToOne) {
  const TDialogForm dialog("Bericht", "A heading that takes two lines of the banner to say", "the message", 0,
                           {{"&Ok", mrOk}});
  const TBitmap32& picture = dialog.Picture();
  const int top = DialogTitleBarHeight;
  // The heading over the banner, whose strips run top to bottom below the letters too.
  EXPECT_GE(LowestContrast(picture, {8, top + 7, 265, top + 37}, [&](int x, int) { return picture.Pixel(x, top + 40); }),
            4.5);
  // The title over the title bar, left of the close box.
  EXPECT_GE(LowestContrast(picture, {0, 0, DialogClientWidth - 20, top}, [&](int, int) { return picture.Pixel(0, 0); }),
            4.5);
  // The caption inside the button, within its bevel.
  const TRect button = dialog.ButtonRect(0);
  const TRect inside{button.Left + 4, button.Top + 4, button.Right - 4, button.Bottom - 4};
  EXPECT_GE(LowestContrast(picture, inside, [&](int, int) { return picture.Pixel(button.Left + 2, button.Top + 2); }),
            4.5);
  EXPECT_LT(ContrastRatio(0xFFFFFF, BannerColour), 4.5) << "white on the banner would not do";
}

TEST_F(DialogFormTest, ASingleOkButtonIsCentredFocusedAndTheDefault) {
  const TDialogForm dialog("", "", "text", 0, {{"&Ok", mrOk}});
  const TRect button = dialog.ButtonRect(0);
  EXPECT_EQ(button.Left, (DialogClientWidth - 80) / 2);
  EXPECT_EQ(button.Width(), 80);
  EXPECT_EQ(button.Bottom, DialogTitleBarHeight + DialogClientHeight - 5);
  EXPECT_EQ(dialog.FocusedButton(), 0);
  EXPECT_EQ(dialog.DefaultButton(), 0);
  // With three buttons they stand at the right, 85 pixels apart.
  const TDialogForm three("", "", "", mrCancel, {{"&Yes", mrOk}, {"&No", 7}, {"&Cancel", mrCancel}});
  EXPECT_EQ(three.ButtonRect(2).Left, DialogClientWidth - 80 - 10);
  EXPECT_EQ(three.ButtonRect(0).Left, DialogClientWidth - 80 - 2 * 85 - 10);
  EXPECT_EQ(three.FocusedButton(), 2);
}

TEST_F(DialogFormTest, AtTwiceTheScaleTheDialogIsItsLayoutWithEachPixelASquareOfFour) {
  const TDialogForm plain("Bericht", "Heading", "the message", 0, {{"&Ok", mrOk}});
  Platform->SetScreenSize(3840, 2160);
  Platform->SetInterfaceScale(2.0);
  const TDialogForm doubled("Bericht", "Heading", "the message", 0, {{"&Ok", mrOk}});
  ASSERT_EQ(doubled.Multiple(), 2);
  const TBitmap32& small = plain.Picture();
  const TBitmap32& large = doubled.Picture();
  ASSERT_EQ(large.Width(), 2 * small.Width());
  ASSERT_EQ(large.Height(), 2 * small.Height());
  for (int y = 0; y < large.Height(); ++y)
    for (int x = 0; x < large.Width(); ++x) ASSERT_EQ(large.Pixel(x, y), small.Pixel(x / 2, y / 2)) << x << "," << y;
  // Too large for the screen at 2: the layout's own size.
  Platform->SetScreenSize(600, 400);
  EXPECT_EQ(TDialogForm("", "", "", 0, {{"&Ok", mrOk}}).Multiple(), 1);
}

TEST_F(DialogFormTest, ACharacterBeyondTheGameLettersIsABoxInItsOwnCellAndLinesBreakByCharacters) {
  // "Zoë": three cells, the third a box; its two bytes are one character.
  const TDialogForm dialog("", "", "Zo\xC3\xAB", 0, {{"&Ok", mrOk}});
  const TBitmap32& picture = dialog.Picture();
  const int top = DialogTitleBarHeight + 51 + 1, left = 12 + 2;
  const auto ink = [&](int cell) {
    int count = 0;
    for (int y = top; y < top + 13; ++y)
      for (int x = left + cell * 7; x < left + cell * 7 + 7; ++x) count += (picture.Pixel(x, y) & 0xFFFFFF) == 0;
    return count;
  };
  EXPECT_GT(ink(0), 5);
  EXPECT_GT(ink(1), 5);
  EXPECT_EQ(ink(2), 2 * 9 + 2 * 3) << "the box of 5 x 9";
  EXPECT_EQ(ink(3), 0) << "one character, not two";
  // 43 cells to a line, whether the characters take one byte or two.
  std::string wide;
  for (int i = 0; i < 50; ++i) wide += "\xC3\xAB";
  const TDialogForm wrapped("", "", wide, 0, {{"&Ok", mrOk}});
  ASSERT_EQ(wrapped.TextLines().size(), 2u);
  EXPECT_EQ(wrapped.TextLines()[0].size(), 2u * 43);
}

TEST_F(DialogFormTest, CharacterZeroBreaksTheTextIntoLines) {
  const TDialogForm dialog("", "", std::string("first line") + '\0' + "second line", 0, {{"&Ok", mrOk}});
  EXPECT_EQ(dialog.TextLines(), (std::vector<std::string>{"first line", "second line"}));
}

TEST_F(DialogFormTest, EnterGivesOkAndTheCloseBoxCancelsAndTimersWaitMeanwhile) {
  int fired = 0;
  TTimer timer(10, [&] { ++fired; });
  Platform->ScheduleKey(Platform->TickCount() + 500, VK_RETURN);
  EXPECT_EQ(ShowDialog("", "", "message", 2, 0, {{"&Ok", mrOk}}), mrOk);
  EXPECT_EQ(fired, 0);
  EXPECT_EQ(Platform->EventsOf("caption"), std::vector<std::string>{"Bericht"});
  TDialogForm dialog("Title", "", "", 0, {{"&Ok", mrOk}});
  const TRect close = dialog.CloseBoxRect();
  Platform->ScheduleWindowClick(Platform->TickCount() + 10, close.Left + 3, close.Top + 3);
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
}

}  // namespace
