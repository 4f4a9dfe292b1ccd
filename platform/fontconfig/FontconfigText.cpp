// Glyphs of the fonts fontconfig ranks for the desktop's sans-serif, in that order: each
// character comes from the first font that has it, so Latin, Cyrillic and CJK mix in one line.
#include "platform/fontconfig/FontconfigText.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "platform/GlyphBlend.h"

namespace {

constexpr char32_t Replacement = 0xFFFD;

// The next code point of UTF-8 Text at At, which moves past it; a broken sequence
// counts as one replacement character per byte.
char32_t NextCodePoint(const std::string& text, size_t& at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at++);
  if (lead < 0x80) return lead;
  int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
  if (extra < 0 || lead > 0xF4) return Replacement;
  char32_t code = lead & (0x3F >> extra);
  for (; extra > 0; --extra) {
    if (at >= text.size() || (byte(at) & 0xC0) != 0x80) return Replacement;
    code = (code << 6) | (byte(at++) & 0x3F);
  }
  return code;
}

// One font of fontconfig's ranking: where it lives, which characters it has, and its
// FreeType face once a character has needed it.
struct TRankedFont {
  std::string File;
  int Index = 0;
  FcCharSet* Characters = nullptr;
  FT_Face Face = nullptr;
  bool Broken = false;
};

class TFontconfigTextRenderer : public TTextRenderer {
 public:
  TFontconfigTextRenderer(FT_Library library, std::vector<TRankedFont> fonts, int pixelSize)
      : Library(library), Fonts(std::move(fonts)), PixelSize(pixelSize) {}

  ~TFontconfigTextRenderer() override {
    for (TRankedFont& font : Fonts) {
      if (font.Face != nullptr) FT_Done_Face(font.Face);
      FcCharSetDestroy(font.Characters);
    }
    FT_Done_FreeType(Library);
  }

  TFontconfigTextRenderer(const TFontconfigTextRenderer&) = delete;
  TFontconfigTextRenderer& operator=(const TFontconfigTextRenderer&) = delete;

  // Opens the first font that FreeType can, for the line's measures; false when none can.
  bool Open() {
    for (TRankedFont& font : Fonts) {
      if (FT_Face face = FaceOf(font)) {
        Ascender = static_cast<int>((face->size->metrics.ascender + 63) >> 6);
        const int descender = static_cast<int>((-face->size->metrics.descender + 63) >> 6);
        Height = Ascender + descender;
        return true;
      }
    }
    return false;
  }

  int Ascent() const override { return Ascender; }
  int LineHeight() const override { return Height; }

  int TextWidth(const std::string& text) override {
    int width = 0;
    for (size_t at = 0; at < text.size();) width += Advance(NextCodePoint(text, at));
    return width;
  }

  void DrawText(const TPixelTarget& target, int x, int y, const std::string& text, uint32_t colour,
                const TPixelArea& clip) override {
    const TPixelArea inside = Intersect(clip, {0, 0, target.Width, target.Height});
    const int baseline = y + Ascender;
    for (size_t at = 0; at < text.size();) {
      const char32_t code = NextCodePoint(text, at);
      if (x >= inside.X + inside.Width) break;
      FT_Face face = FaceFor(code);
      if (face == nullptr || FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) {
        DrawBox(target, x, baseline, colour, inside);
        x += BoxAdvance();
        continue;
      }
      const FT_GlyphSlot glyph = face->glyph;
      Blend(target, glyph->bitmap, x + glyph->bitmap_left, baseline - glyph->bitmap_top, colour, inside);
      x += static_cast<int>((glyph->advance.x + 32) >> 6);
    }
  }

 private:
  static TPixelArea Intersect(const TPixelArea& a, const TPixelArea& b) {
    const int left = std::max(a.X, b.X), top = std::max(a.Y, b.Y);
    const int right = std::min(a.X + a.Width, b.X + b.Width), bottom = std::min(a.Y + a.Height, b.Y + b.Height);
    return {left, top, std::max(right - left, 0), std::max(bottom - top, 0)};
  }

  FT_Face FaceOf(TRankedFont& font) {
    if (font.Face != nullptr || font.Broken) return font.Face;
    if (FT_New_Face(Library, font.File.c_str(), font.Index, &font.Face) != 0 ||
        FT_Set_Pixel_Sizes(font.Face, 0, static_cast<FT_UInt>(PixelSize)) != 0) {
      if (font.Face != nullptr) FT_Done_Face(font.Face);
      font.Face = nullptr;
      font.Broken = true;
    }
    return font.Face;
  }

  // The face of the first font in the ranking that has Code; null when none has.
  FT_Face FaceFor(char32_t code) {
    const auto known = Chosen.find(code);
    if (known != Chosen.end()) return known->second;
    FT_Face chosen = nullptr;
    for (TRankedFont& font : Fonts) {
      if (!FcCharSetHasChar(font.Characters, code)) continue;
      chosen = FaceOf(font);
      if (chosen != nullptr && FT_Get_Char_Index(chosen, code) != 0) break;
      chosen = nullptr;
    }
    Chosen.emplace(code, chosen);
    return chosen;
  }

  int Advance(char32_t code) {
    FT_Face face = FaceFor(code);
    if (face == nullptr || FT_Load_Char(face, code, FT_LOAD_DEFAULT) != 0) return BoxAdvance();
    return static_cast<int>((face->glyph->advance.x + 32) >> 6);
  }

  int BoxAdvance() const { return std::max(PixelSize * 3 / 5, 3); }

  // The empty box that stands for a character no font has.
  void DrawBox(const TPixelTarget& target, int x, int baseline, uint32_t colour, const TPixelArea& inside) const {
    const int left = x + 1, right = x + BoxAdvance() - 1;
    const int top = baseline - std::max(Ascender * 3 / 4, 2), bottom = baseline;
    for (int py = top; py < bottom; ++py)
      for (int px = left; px < right; ++px)
        if (py == top || py == bottom - 1 || px == left || px == right - 1)
          BlendGlyphPixel(target, px, py, colour, 255, inside);
  }

  static void Blend(const TPixelTarget& target, const FT_Bitmap& bitmap, int left, int top, uint32_t colour,
                    const TPixelArea& inside) {
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) return;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
      const unsigned char* line = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
      for (unsigned column = 0; column < bitmap.width; ++column)
        BlendGlyphPixel(target, left + static_cast<int>(column), top + static_cast<int>(row), colour, line[column],
                        inside);
    }
  }

  FT_Library Library;
  std::vector<TRankedFont> Fonts;
  int PixelSize;
  int Ascender = 0;
  int Height = 0;
  std::unordered_map<char32_t, FT_Face> Chosen;
};

// Fontconfig's ranking of every font for the desktop's sans-serif, best first.
std::vector<TRankedFont> RankedFonts() {
  std::vector<TRankedFont> fonts;
  if (!FcInit()) return fonts;
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcFontSet* set = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
  FcPatternDestroy(pattern);
  if (set == nullptr) return fonts;
  for (int i = 0; i < set->nfont; ++i) {
    FcChar8* file = nullptr;
    FcCharSet* characters = nullptr;
    int index = 0;
    if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) != FcResultMatch ||
        FcPatternGetCharSet(set->fonts[i], FC_CHARSET, 0, &characters) != FcResultMatch)
      continue;
    FcPatternGetInteger(set->fonts[i], FC_INDEX, 0, &index);
    fonts.push_back({reinterpret_cast<const char*>(file), index, FcCharSetCopy(characters)});
  }
  FcFontSetDestroy(set);
  return fonts;
}

}  // namespace

std::unique_ptr<TTextRenderer> CreateFontconfigTextRenderer(int pixelSize, std::string& whyNot) {
  std::vector<TRankedFont> fonts = RankedFonts();
  if (fonts.empty()) {
    whyNot = "fontconfig finds no font";
    return nullptr;
  }
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) {
    for (TRankedFont& font : fonts) FcCharSetDestroy(font.Characters);
    whyNot = "FreeType could not start";
    return nullptr;
  }
  auto renderer = std::make_unique<TFontconfigTextRenderer>(library, std::move(fonts), std::max(pixelSize, 1));
  if (!renderer->Open()) {
    whyNot = "none of the fonts fontconfig names could be opened";
    return nullptr;
  }
  return renderer;
}
