// TSpriteFont: the game's own font of catalogue pictures (digits, capital letters, '-'
// and '!'), in five colours, for the head-up display and the menu.
//
// Text drawn over the desktop (the head-up display) can have a dark outline, one pixel
// around every glyph and under all of them, so that white and light letters still read
// over a white document. The outline is a very dark grey rather than black, since the
// playfield's black is see-through; over a black desktop it is all but invisible.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "sprites/Bitmap32.h"
#include "sprites/GraphicSpriteForm.h"

// The colour variants of every glyph: white, yellow, blue, purple and red.
constexpr int FontVariants = 5;
constexpr int GlyphAdvance = 9;
constexpr const char* FontCharacters = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-!";
// The outline's colour: a grey dark enough to stand apart from a white page as black
// print does (20:1) and to vanish over black, yet still not black where a 16-bit
// display keeps five bits of each channel.
constexpr TColor32 OutlineColour = 0x00080808;

class TSpriteFont {
 public:
  // The font of the catalogue's digit, letter, line and exclamation-mark pictures.
  explicit TSpriteFont(const TGraphicSpriteForm& catalogue);

  // The glyphs of Chars become Images, one to one, in every colour variant.
  void BuildFont(const std::string& chars, const std::vector<const TImage*>& images);
  // The glyph of C in variant V (none when C has no glyph); Advance becomes 9.
  const TBitmap32* GetGlyph(char c, int v, int& advance) const;
  int TextWidth(const std::string& text) const;
  // Where Text starts to stand in the middle of B.
  int CenterTextX(const TBitmap32& b, const std::string& text) const;
  // Text in capitals at (X, Y) of B; a character without a glyph leaves its cell empty.
  void DrawTextOn(TBitmap32& b, int x, int y, const std::string& text, int v) const;
  // The same text with the outline around its glyphs: first every glyph's outline, then
  // the glyphs, so that no outline covers a neighbouring glyph.
  void DrawOutlinedTextOn(TBitmap32& b, int x, int y, const std::string& text, int v) const;
  // The rectangle DrawTextOn can change for that text (empty when nothing).
  TRect TextBounds(int x, int y, const std::string& text, int v) const;

 private:
  std::array<std::array<std::unique_ptr<TBitmap32>, FontVariants>, 256> Glyphs;
  // Per character: the pixels of its glyph's transparent border and inside it that touch
  // the glyph (the eight neighbours), in the outline's colour; the same for every variant.
  std::array<std::unique_ptr<TBitmap32>, 256> Outlines;
};
