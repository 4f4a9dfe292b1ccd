// The X11 and Wayland message box's picture: text in any script, and a button that stays.
#include "platform/fontconfig/MessageBoxPicture.h"

#include <gtest/gtest.h>

#include "platform/fontconfig/FontconfigText.h"

namespace {

TEST(MessageBoxPictureTest, EachCharacterOfALatinCyrillicAndChineseLineHasInkInItsCell) {
  const TMessageBoxPicture picture("Bericht", "Zo\u00EB \u0416\u043E\u0440\u0430 \u6771\u4EAC", 800, 600);
  ASSERT_TRUE(picture.WhyNoFonts.empty()) << picture.WhyNoFonts;
  std::string whyNot;
  const std::unique_ptr<TTextRenderer> font = CreateFontconfigTextRenderer(13, whyNot);
  ASSERT_NE(font, nullptr) << whyNot;
  // The first line, below the 20-pixel title strip and the 12-pixel margin.
  const int top = 20 + 12, bottom = top + font->LineHeight() + 2;
  int left = 12;
  for (const char* character : {"Z", "o", "\u00EB", " ", "\u0416", "\u043E", "\u0440", "\u0430", " ", "\u6771", "\u4EAC"}) {
    const int right = left + font->TextWidth(character);
    int ink = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) ink += (picture.View().Row(y)[x] & 0xFF) < 100;
    if (std::string(character) == " ") EXPECT_EQ(ink, 0);
    else EXPECT_GE(ink, 8) << character;
    left = right;
  }
}

TEST(MessageBoxPictureTest, ALongMessageOnASmallScreenKeepsItsButtonInside) {
  std::string text;
  for (int i = 0; i < 100; ++i) text += "line " + std::to_string(i) + "\n";
  const TMessageBoxPicture picture("Bericht", text, 300, 200);
  EXPECT_LE(picture.Height, 200);
  EXPECT_LE(picture.Width, 300);
  const TPixelArea button = picture.Button();
  EXPECT_GE(button.Y, 20);
  EXPECT_LE(button.Y + button.Height, picture.Height);
}

}  // namespace
