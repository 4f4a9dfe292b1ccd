// Building the font's glyphs and drawing text with them.
#include "sprites/SpriteFont.h"

#include <algorithm>

#include "sprites/GraphicsTools.h"
#include "support/TextRoutines.h"

namespace {

// The glyph pictures are white; each variant is that white replaced by its colour.
// The purple is light enough to read on black (5.3:1).
constexpr TColor32 VariantColours[FontVariants] = {0x00FFFFFF, 0xFFFFFF00, 0x0000DEF7, 0x00AA50FF, 0xFFFF0000};

std::vector<const TImage*> FontPictures(const TGraphicSpriteForm& f) {
  return {&f.NumberImage0, &f.NumberImage1, &f.NumberImage2, &f.NumberImage3, &f.NumberImage4, &f.NumberImage5,
          &f.NumberImage6, &f.NumberImage7, &f.NumberImage8, &f.NumberImage9, &f.ImageA,       &f.ImageB,
          &f.ImageC,       &f.ImageD,       &f.ImageE,       &f.ImageF,       &f.ImageG,       &f.ImageH,
          &f.ImageI,       &f.ImageJ,       &f.ImageK,       &f.ImageL,       &f.ImageM,       &f.ImageN,
          &f.ImageO,       &f.ImageP,       &f.ImageQ,       &f.ImageR,       &f.ImageS,       &f.ImageT,
          &f.ImageU,       &f.ImageV,       &f.ImageW,       &f.ImageX,       &f.ImageY,       &f.ImageZ,
          &f.LineImage,    &f.ExMarkImage};
}

// The pixels around Glyph's drawn ones, in the outline's colour, on a picture of the
// glyph's size: its one-pixel transparent border leaves room for them.
std::unique_ptr<TBitmap32> OutlineOf(const TBitmap32& glyph) {
  auto outline = std::make_unique<TBitmap32>();
  const int w = glyph.Width(), h = glyph.Height();
  outline->SetSize(w, h);
  const auto drawn = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h && glyph.Pixel(x, y) != glyph.OuterColor; };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (drawn(x, y)) continue;
      bool touches = false;
      for (int dy = -1; dy <= 1 && !touches; ++dy)
        for (int dx = -1; dx <= 1 && !touches; ++dx) touches = drawn(x + dx, y + dy);
      if (touches) outline->SetPixel(x, y, OutlineColour);
    }
  outline->DrawMode = TDrawMode::Transparent;
  outline->OuterColor = 0;
  return outline;
}

}  // namespace

TSpriteFont::TSpriteFont(const TGraphicSpriteForm& catalogue) { BuildFont(FontCharacters, FontPictures(catalogue)); }

void TSpriteFont::BuildFont(const std::string& chars, const std::vector<const TImage*>& images) {
  for (size_t p = 0; p < chars.size() && p < images.size(); ++p) {
    auto& glyph = Glyphs[static_cast<unsigned char>(chars[p])];
    for (int v = 0; v < FontVariants; ++v) glyph[static_cast<size_t>(v)] = BitmapFromImage(*images[p], VariantColours[0], VariantColours[v]);
    Outlines[static_cast<unsigned char>(chars[p])] = OutlineOf(*glyph[0]);
  }
}

const TBitmap32* TSpriteFont::GetGlyph(char c, int v, int& advance) const {
  advance = GlyphAdvance;
  return Glyphs[static_cast<unsigned char>(c)][static_cast<size_t>(v)].get();
}

int TSpriteFont::TextWidth(const std::string& text) const { return static_cast<int>(text.size()) * GlyphAdvance; }

int TSpriteFont::CenterTextX(const TBitmap32& b, const std::string& text) const { return (b.Width() - TextWidth(text)) / 2; }

void TSpriteFont::DrawTextOn(TBitmap32& b, int x, int y, const std::string& text, int v) const {
  for (char c : UpperCaseAscii(text)) {
    int advance = 0;
    if (const TBitmap32* glyph = GetGlyph(c, v, advance)) b.Draw(x, y, *glyph);
    x += advance;
  }
}

void TSpriteFont::DrawOutlinedTextOn(TBitmap32& b, int x, int y, const std::string& text, int v) const {
  int left = x;
  for (char c : UpperCaseAscii(text)) {
    if (const TBitmap32* outline = Outlines[static_cast<unsigned char>(c)].get()) b.Draw(left, y, *outline);
    left += GlyphAdvance;
  }
  DrawTextOn(b, x, y, text, v);
}

TRect TSpriteFont::TextBounds(int x, int y, const std::string& text, int v) const {
  TRect bounds{};
  for (char c : UpperCaseAscii(text)) {
    int advance = 0;
    if (const TBitmap32* glyph = GetGlyph(c, v, advance)) {
      const TRect cell{x, y, x + glyph->Width(), y + glyph->Height()};
      bounds = bounds.Left == bounds.Right ? cell : TRect{std::min(bounds.Left, cell.Left), std::min(bounds.Top, cell.Top),
                                                           std::max(bounds.Right, cell.Right),
                                                           std::max(bounds.Bottom, cell.Bottom)};
    }
    x += advance;
  }
  return bounds;
}
