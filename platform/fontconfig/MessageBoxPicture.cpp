// Laying out and drawing the message box of the X11 and Wayland back ends.
#include "platform/fontconfig/MessageBoxPicture.h"

#include <algorithm>

#include "platform/PngCodec.h"
#include "platform/Resources.h"
#include "platform/fontconfig/FontconfigText.h"

namespace {

// The game's dialog letters: the printable characters 32 to 126 side by side in cells of 7 x 13.
constexpr int GlyphWidth = 7, GlyphHeight = 13;
constexpr int FontPixels = 13;
constexpr int Margin = 12, TitleHeight = 20;
constexpr int ButtonWidth = 80, ButtonHeight = 24, SmallestWidth = 240;
constexpr uint32_t Face = 0xFFDEE2EA, Title = 0xFF3C5082, Ink = 0xFF000000, Paper = 0xFFFFFFFF, Edge = 0xFF808080;

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (const char c : text) {
    if (c == '\n') lines.emplace_back();
    else if (c != '\r') lines.back() += c;
  }
  return lines;
}

}  // namespace

TMessageBoxPicture::TMessageBoxPicture(const std::string& caption, const std::string& text, int mostWidth,
                                       int mostHeight) {
  Renderer = CreateFontconfigTextRenderer(FontPixels, WhyNoFonts);
  if (Renderer) {
    LineHeight = std::max(Renderer->LineHeight(), GlyphHeight) + 2;
  } else {
    const auto data = FindResource(TResourceKind::Interface, "DialogFont");
    try {
      if (!data.empty()) {
        const TDecodedPng font = DecodePng(data);
        Letters = font.Pixels;
        LettersWidth = font.Width;
      }
    } catch (const EPngError&) {
      // Without the letters the box still shows, with its button, and closes.
    }
  }
  const std::vector<std::string> lines = SplitLines(text);
  int widest = TextWidth(caption);
  for (const std::string& line : lines) widest = std::max(widest, TextWidth(line));
  Width = std::clamp(widest + 2 * Margin, SmallestWidth, std::max(mostWidth, SmallestWidth));
  Height = TitleHeight + Margin + static_cast<int>(lines.size()) * LineHeight + Margin + ButtonHeight + Margin;
  Height = std::min(Height, std::max(mostHeight, TitleHeight + ButtonHeight + 2 * Margin));
  Pixels.assign(static_cast<size_t>(Width) * Height, Face);
  Fill(0, 0, Width, TitleHeight, Title);
  Write(6, (TitleHeight - LineHeight) / 2 + 1, caption, Paper);
  const TPixelArea button = Button();
  for (size_t i = 0; i < lines.size(); ++i) {
    const int y = TitleHeight + Margin + static_cast<int>(i) * LineHeight;
    // Lines that would reach the button are left out: the button must stay.
    if (y + LineHeight > button.Y) break;
    Write(Margin, y, lines[i], Ink);
  }
  Fill(button.X, button.Y, ButtonWidth, ButtonHeight, Edge);
  Fill(button.X + 1, button.Y + 1, ButtonWidth - 2, ButtonHeight - 2, Paper);
  Write(button.X + (ButtonWidth - TextWidth("OK")) / 2, button.Y + (ButtonHeight - LineHeight) / 2 + 1, "OK", Ink);
}

TPixelArea TMessageBoxPicture::Button() const {
  return {(Width - ButtonWidth) / 2, Height - Margin - ButtonHeight, ButtonWidth, ButtonHeight};
}

void TMessageBoxPicture::Fill(int left, int top, int width, int height, uint32_t colour) {
  for (int y = std::max(top, 0); y < std::min(top + height, Height); ++y)
    std::fill_n(Pixels.begin() + static_cast<std::ptrdiff_t>(y) * Width + std::max(left, 0),
                std::max(std::min(left + width, Width) - std::max(left, 0), 0), colour);
}

int TMessageBoxPicture::TextWidth(const std::string& text) {
  if (Renderer) return Renderer->TextWidth(text);
  int characters = 0;
  for (const char c : text) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return characters * GlyphWidth;
}

void TMessageBoxPicture::Write(int x, int y, const std::string& text, uint32_t colour) {
  if (Renderer) {
    Renderer->DrawText({Pixels.data(), Width, Height, Width}, x, y + (LineHeight - Renderer->LineHeight()) / 2, text,
                       colour, {0, 0, Width, Height});
    return;
  }
  for (size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    if ((static_cast<unsigned char>(c) & 0xC0) == 0x80) continue;  // the rest of a character beyond ASCII
    if (c >= ' ' && c <= '~' && !Letters.empty() && x + GlyphWidth <= Width) {
      const int cell = (c - ' ') * GlyphWidth;
      for (int row = 0; row < GlyphHeight && y + row < Height; ++row)
        for (int column = 0; column < GlyphWidth; ++column)
          if (Letters[static_cast<size_t>(row) * LettersWidth + cell + column] & 0xFFFFFF)
            Pixels[static_cast<size_t>(y + row) * Width + x + column] = colour;
    }
    x += GlyphWidth;
  }
}
