// Text in any script from the fonts fontconfig finds: every character of a Latin,
// Cyrillic and Chinese line gets a glyph of its own, drawn where its cell is.
#include "platform/fontconfig/FontconfigText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

constexpr uint32_t Paper = 0xFFFFFFFF, Ink = 0xFF000000;

// A white page the size of one line.
struct TPage {
  int Width, Height;
  std::vector<uint32_t> Pixels;
  TPage(int width, int height) : Width(width), Height(height), Pixels(static_cast<size_t>(width) * height, Paper) {}
  TPixelTarget Target() { return {Pixels.data(), Width, Height, Width}; }
  // Pixels darker than mid-grey between columns Left and Right.
  int InkBetween(int left, int right) const {
    int ink = 0;
    for (int y = 0; y < Height; ++y)
      for (int x = std::max(left, 0); x < std::min(right, Width); ++x) ink += (Pixels[static_cast<size_t>(y) * Width + x] & 0xFF) < 128;
    return ink;
  }
};

class FontconfigTextTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string whyNot;
    Font = CreateFontconfigTextRenderer(26, whyNot);
    ASSERT_NE(Font, nullptr) << whyNot;
  }

  // Character drawn alone at the page's left.
  TPage Alone(const std::string& character) {
    TPage page(3 * 26, Font->LineHeight());
    Font->DrawText(page.Target(), 0, 0, character, Ink, {0, 0, page.Width, page.Height});
    return page;
  }

  std::unique_ptr<TTextRenderer> Font;
};

TEST_F(FontconfigTextTest, EveryCharacterOfZoeZhoraTokyoHasInkInItsOwnCellAndNoneIsTheBoxOfAMissingOne) {
  const std::vector<std::string> characters{"Z", "o", "\u00EB", "\u0416", "\u043E", "\u0440", "\u0430", "\u6771", "\u4EAC"};
  std::string line;
  for (const std::string& character : characters) line += character;
  TPage page(Font->TextWidth(line) + 4, Font->LineHeight());
  Font->DrawText(page.Target(), 0, 0, line, Ink, {0, 0, page.Width, page.Height});
  // No font has a character of the last private plane: its box.
  const TPage box = Alone("\U0010FFFD");
  int left = 0;
  for (const std::string& character : characters) {
    const int right = left + Font->TextWidth(character);
    EXPECT_GE(page.InkBetween(left, right), 30) << character << " in " << left << ".." << right;
    EXPECT_NE(Alone(character).Pixels, box.Pixels) << character << " shows as a missing character";
    left = right;
  }
  EXPECT_GT(box.InkBetween(0, box.Width), 0) << "a missing character shows as something";
  // The wide Chinese characters take about twice a Latin letter's room.
  EXPECT_GT(Font->TextWidth("\u6771"), Font->TextWidth("o") * 3 / 2);
}

TEST_F(FontconfigTextTest, GlyphsBlendTheirColourByCoverageAndStayInsideTheClip) {
  TPage page(200, Font->LineHeight());
  const TPixelArea clip{0, 0, 20, page.Height};
  Font->DrawText(page.Target(), 0, 0, "WWWWWWWW", 0xFFFF0000, clip);
  EXPECT_GT(page.InkBetween(0, 20), 0);
  for (int y = 0; y < page.Height; ++y)
    for (int x = 20; x < page.Width; ++x) ASSERT_EQ(page.Pixels[static_cast<size_t>(y) * page.Width + x], Paper) << x;
  // Red over white: the blue and green fall together, red stays full, alpha stays the page's.
  bool partial = false;
  for (const uint32_t pixel : page.Pixels) {
    ASSERT_EQ(pixel >> 16, 0xFFFFu);
    ASSERT_EQ((pixel >> 8) & 0xFF, pixel & 0xFF);
    partial = partial || ((pixel & 0xFF) > 0 && (pixel & 0xFF) < 255);
  }
  EXPECT_TRUE(partial) << "edges are smoothed";
  EXPECT_GT(Font->LineHeight(), Font->Ascent());
  EXPECT_GT(Font->Ascent(), 13);
}

}  // namespace
