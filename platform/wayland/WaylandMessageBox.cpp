// The message box: a layer surface with a title strip, the text in the dialog font and an OK button.
#include "platform/wayland/WaylandMessageBox.h"

#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "platform/PngCodec.h"
#include "platform/Resources.h"
#include "platform/wayland/WaylandBuffers.h"
#include "platform/wayland/WaylandDisplay.h"
#include "platform/wayland/WaylandInput.h"
#include "platform/wayland/WaylandWindow.h"

namespace {

// The dialog font: the printable characters 32 to 126 side by side in cells of 7 x 13.
constexpr int GlyphWidth = 7, GlyphHeight = 13;
constexpr int Margin = 12, TitleHeight = 20, LineHeight = 15;
constexpr int ButtonWidth = 80, ButtonHeight = 24, SmallestWidth = 240;
constexpr uint32_t Face = 0xFFDEE2EA, Title = 0xFF3C5082, Ink = 0xFF000000, Paper = 0xFFFFFFFF, Edge = 0xFF808080;
constexpr int IdleWaitMs = 250;

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (const char c : text) {
    if (c == '\n') lines.emplace_back();
    else if (c != '\r') lines.back() += c;
  }
  return lines;
}

class TBoxPicture {
 public:
  TBoxPicture(const std::string& caption, const std::vector<std::string>& lines) {
    size_t widest = caption.size();
    for (const std::string& line : lines) widest = std::max(widest, line.size());
    Width = std::max(SmallestWidth, static_cast<int>(widest) * GlyphWidth + 2 * Margin);
    Height = TitleHeight + Margin + static_cast<int>(lines.size()) * LineHeight + Margin + ButtonHeight + Margin;
    Pixels.assign(static_cast<size_t>(Width) * Height, Face);
    LoadFont();
    Fill(0, 0, Width, TitleHeight, Title);
    Write(6, 4, caption, Paper);
    for (size_t i = 0; i < lines.size(); ++i)
      Write(Margin, TitleHeight + Margin + static_cast<int>(i) * LineHeight, lines[i], Ink);
    const int x = Button().X, y = Button().Y;
    Fill(x, y, ButtonWidth, ButtonHeight, Edge);
    Fill(x + 1, y + 1, ButtonWidth - 2, ButtonHeight - 2, Paper);
    Write(x + (ButtonWidth - 2 * GlyphWidth) / 2, y + (ButtonHeight - GlyphHeight) / 2, "OK", Ink);
  }

  TPixelArea Button() const { return {(Width - ButtonWidth) / 2, Height - Margin - ButtonHeight, ButtonWidth, ButtonHeight}; }
  TPixelView View() const { return {Pixels.data(), Width, Height, Width}; }
  int Width = 0, Height = 0;

 private:
  void LoadFont() {
    const auto data = FindResource(TResourceKind::Interface, "DialogFont");
    if (data.empty()) return;
    try {
      Font = DecodePng(data);
    } catch (const EPngError&) {
      // Without the font the box still shows, with its button, and closes.
    }
  }

  void Fill(int left, int top, int width, int height, uint32_t colour) {
    for (int y = std::max(top, 0); y < std::min(top + height, Height); ++y)
      std::fill_n(Pixels.begin() + static_cast<std::ptrdiff_t>(y) * Width + std::max(left, 0),
                  std::max(std::min(left + width, Width) - std::max(left, 0), 0), colour);
  }

  void Write(int x, int y, const std::string& text, uint32_t colour) {
    for (const char c : text) {
      if (c >= ' ' && c <= '~' && !Font.Pixels.empty() && x + GlyphWidth <= Width) {
        const int cell = (c - ' ') * GlyphWidth;
        for (int row = 0; row < GlyphHeight && y + row < Height; ++row)
          for (int column = 0; column < GlyphWidth; ++column)
            if (Font.Pixels[static_cast<size_t>(row) * Font.Width + cell + column] & 0xFFFFFF)
              Pixels[static_cast<size_t>(y + row) * Width + x + column] = colour;
      }
      x += GlyphWidth;
    }
  }

  TDecodedPng Font;
  std::vector<uint32_t> Pixels;
};

bool Inside(const TPixelArea& area, int x, int y) {
  return x >= area.X && x < area.X + area.Width && y >= area.Y && y < area.Y + area.Height;
}

}  // namespace

void ShowWaylandMessageBox(const std::string& caption, const std::string& text) {
  std::string error;
  std::shared_ptr<TWaylandDisplay> connection = TWaylandDisplay::Open(error);
  if (connection == nullptr || connection->LayerShell() == nullptr) {
    std::fprintf(stderr, "blastover: %s: %s\n", caption.c_str(), text.c_str());
    return;
  }
  const TBoxPicture picture(caption, SplitLines(text));
  bool closed = false;
  TWaylandWindow box(connection, TWindowKind::Menu);
  box.OnKeyDown = [&closed](uint16_t key) { closed = closed || key == VK_RETURN || key == VK_ESCAPE || key == ' '; };
  box.OnMouseDown = [&](int x, int y) {
    // The window may be larger than the picture when the scale does not divide it.
    closed = closed || Inside(picture.Button(), x, y);
  };
  box.SetBounds(0, 0, picture.Width, picture.Height);
  box.Show();
  int presentedWidth = 0, presentedHeight = 0;
  while (!closed && box.IsVisible() && !connection->Lost()) {
    // Once, and again only when the compositor gave the box another size or scale.
    if (box.PixelWidth() != presentedWidth || box.PixelHeight() != presentedHeight) {
      box.Present(picture.View());
      presentedWidth = box.PixelWidth();
      presentedHeight = box.PixelHeight();
    }
    connection->WaitAndDispatch(IdleWaitMs);
    for (const TWaylandInput::TWindowEvent& event : connection->Input().TakeWindowEvents(WaylandTickCount())) {
      if (event.IsKey) box.OnKeyDown(event.Key);
      else box.OnMouseDown(event.X, event.Y);
    }
  }
}
