// Each character is drawn white on black into a small DIB in the first font that has it,
// and that grey is the glyph's coverage: blended into the caller's pixels in its colour.
#include "platform/win32/Win32TextRenderer.h"

#include <algorithm>
#include <map>
#include <vector>

#include "platform/GlyphBlend.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32Text.h"

namespace {

// The scripts whose fonts are looked for when the message font lacks a character.
std::vector<BYTE> CharsetsFor(char32_t code) {
  if (code >= 0x0400 && code <= 0x052F) return {RUSSIAN_CHARSET};
  if (code >= 0x0370 && code <= 0x03FF) return {GREEK_CHARSET};
  if (code >= 0x3040 && code <= 0x30FF) return {SHIFTJIS_CHARSET};
  if ((code >= 0xAC00 && code <= 0xD7AF) || (code >= 0x1100 && code <= 0x11FF)) return {HANGUL_CHARSET};
  if ((code >= 0x2E80 && code <= 0x9FFF) || (code >= 0xF900 && code <= 0xFAFF) || (code >= 0xFF00 && code <= 0xFFEF))
    return {SHIFTJIS_CHARSET, GB2312_CHARSET, CHINESEBIG5_CHARSET, HANGUL_CHARSET};
  return {DEFAULT_CHARSET};
}

int CALLBACK CollectFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM list) {
  auto& faces = *reinterpret_cast<std::vector<std::wstring>*>(list);
  // Faces starting with @ are the same fonts turned for vertical writing.
  if (font->lfFaceName[0] != L'@' && std::find(faces.begin(), faces.end(), font->lfFaceName) == faces.end())
    faces.emplace_back(font->lfFaceName);
  return 1;
}

class TGdiTextRenderer : public TTextRenderer {
 public:
  TGdiTextRenderer(HDC context, int pixelSize) : Context(context), PixelSize(pixelSize) {}

  ~TGdiTextRenderer() override {
    if (Bitmap != nullptr) {
      SelectObject(Context, Original);
      DeleteObject(Bitmap);
    }
    SelectObject(Context, OriginalFont);
    for (HFONT font : Fonts) DeleteObject(font);
    DeleteDC(Context);
  }

  TGdiTextRenderer(const TGdiTextRenderer&) = delete;
  TGdiTextRenderer& operator=(const TGdiTextRenderer&) = delete;

  bool Open(const std::wstring& face) {
    HFONT font = MakeFont(face, DEFAULT_CHARSET);
    if (font == nullptr) return false;
    Fonts.push_back(font);
    OriginalFont = static_cast<HFONT>(SelectObject(Context, font));
    TEXTMETRICW metrics{};
    if (!GetTextMetricsW(Context, &metrics)) return false;
    Ascender = metrics.tmAscent;
    Height = metrics.tmAscent + metrics.tmDescent;
    SetBkMode(Context, TRANSPARENT);
    SetTextColor(Context, RGB(255, 255, 255));
    return true;
  }

  int Ascent() const override { return Ascender; }
  int LineHeight() const override { return Height; }

  int TextWidth(const std::string& text) override {
    int width = 0;
    for (const std::wstring& character : Characters(text)) width += Advance(character);
    return width;
  }

  void DrawText(const TPixelTarget& target, int x, int y, const std::string& text, uint32_t colour,
                const TPixelArea& clip) override {
    const int right = std::min(clip.X + clip.Width, target.Width);
    for (const std::wstring& character : Characters(text)) {
      if (x >= right) break;
      const int advance = Advance(character);
      // Room for a glyph that reaches past its advance (italics, wide CJK forms).
      const int width = advance + PixelSize;
      if (!EnsureBitmap(width, Height)) return;
      std::fill(Bits, Bits + static_cast<size_t>(BitmapWidth) * BitmapHeight, 0u);
      TextOutW(Context, 0, 0, character.c_str(), static_cast<int>(character.size()));
      GdiFlush();
      for (int row = 0; row < Height; ++row)
        for (int column = 0; column < width; ++column) {
          const uint32_t cover = (Bits[static_cast<size_t>(row) * BitmapWidth + column] >> 8) & 0xFF;
          BlendGlyphPixel(target, x + column, y + row, colour, cover, clip);
        }
      x += advance;
    }
  }

 private:
  HFONT MakeFont(const std::wstring& face, BYTE charset) const {
    LOGFONTW font{};
    font.lfHeight = -PixelSize;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = charset;
    // Grey edges, never ClearType's coloured ones: the grey is the coverage.
    font.lfQuality = ANTIALIASED_QUALITY;
    lstrcpynW(font.lfFaceName, face.c_str(), LF_FACESIZE);
    return CreateFontIndirectW(&font);
  }

  // Text split into its characters, each one or two UTF-16 units.
  static std::vector<std::wstring> Characters(const std::string& text) {
    const std::wstring wide = Widen(text);
    std::vector<std::wstring> characters;
    for (size_t at = 0; at < wide.size();) {
      const bool pair = wide[at] >= 0xD800 && wide[at] <= 0xDBFF && at + 1 < wide.size();
      characters.push_back(wide.substr(at, pair ? 2 : 1));
      at += pair ? 2 : 1;
    }
    return characters;
  }

  static char32_t CodeOf(const std::wstring& character) {
    if (character.size() == 2) return 0x10000 + ((character[0] - 0xD800u) << 10) + (character[1] - 0xDC00u);
    return character[0];
  }

  bool HasGlyph(HFONT font, const std::wstring& character) {
    // Outside the basic plane GDI cannot tell: the font is taken as it is.
    if (character.size() != 1) return true;
    SelectObject(Context, font);
    WORD glyph = 0xFFFF;
    return GetGlyphIndicesW(Context, character.c_str(), 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS) != GDI_ERROR &&
           glyph != 0xFFFF;
  }

  // Selects the first font that has Character, looking through the installed fonts of
  // its script the first time none of those made so far has it.
  void SelectFontFor(const std::wstring& character) {
    const char32_t code = CodeOf(character);
    const auto known = Chosen.find(code);
    if (known != Chosen.end()) {
      SelectObject(Context, Fonts[known->second]);
      return;
    }
    size_t chosen = 0;
    bool found = false;
    for (size_t i = 0; i < Fonts.size() && !found; ++i)
      if (HasGlyph(Fonts[i], character)) {
        chosen = i;
        found = true;
      }
    for (BYTE charset : CharsetsFor(code)) {
      if (found) break;
      LOGFONTW wanted{};
      wanted.lfCharSet = charset;
      std::vector<std::wstring> faces;
      EnumFontFamiliesExW(Context, &wanted, CollectFace, reinterpret_cast<LPARAM>(&faces), 0);
      for (const std::wstring& face : faces) {
        HFONT font = MakeFont(face, charset);
        if (font != nullptr && HasGlyph(font, character)) {
          Fonts.push_back(font);
          chosen = Fonts.size() - 1;
          found = true;
          break;
        }
        if (font != nullptr) DeleteObject(font);
      }
    }
    // None has it: the message font draws its own sign for a missing character.
    Chosen.emplace(code, chosen);
    SelectObject(Context, Fonts[chosen]);
  }

  int Advance(const std::wstring& character) {
    SelectFontFor(character);
    SIZE size{};
    GetTextExtentPoint32W(Context, character.c_str(), static_cast<int>(character.size()), &size);
    return size.cx;
  }

  bool EnsureBitmap(int width, int height) {
    if (Bitmap != nullptr && width <= BitmapWidth && height <= BitmapHeight) return true;
    if (Bitmap != nullptr) {
      SelectObject(Context, Original);
      DeleteObject(Bitmap);
      Bitmap = nullptr;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = std::max(width, BitmapWidth);
    info.bmiHeader.biHeight = -std::max(height, BitmapHeight);  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    Bitmap = CreateDIBSection(Context, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (Bitmap == nullptr) return false;
    BitmapWidth = info.bmiHeader.biWidth;
    BitmapHeight = -info.bmiHeader.biHeight;
    Bits = static_cast<uint32_t*>(bits);
    Original = static_cast<HBITMAP>(SelectObject(Context, Bitmap));
    return true;
  }

  HDC Context;
  int PixelSize;
  std::vector<HFONT> Fonts;  // the message font first, then those found for other scripts
  std::map<char32_t, size_t> Chosen;
  HFONT OriginalFont = nullptr;
  HBITMAP Bitmap = nullptr, Original = nullptr;
  uint32_t* Bits = nullptr;
  int BitmapWidth = 0, BitmapHeight = 0;
  int Ascender = 0, Height = 0;
};

}  // namespace

std::unique_ptr<TTextRenderer> CreateGdiTextRenderer(int pixelSize, std::string& whyNot) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  std::wstring face = L"Segoe UI";
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) face = metrics.lfMessageFont.lfFaceName;
  HDC context = CreateCompatibleDC(nullptr);
  if (context == nullptr) {
    whyNot = "no GDI device context: " + SystemErrorText(GetLastError());
    return nullptr;
  }
  auto renderer = std::make_unique<TGdiTextRenderer>(context, std::max(pixelSize, 1));
  if (!renderer->Open(face)) {
    whyNot = "the message font " + Narrow(face) + " could not be made";
    return nullptr;
  }
  return renderer;
}
