// The picture of the Linux back ends' message box, its text in the desktop's fonts.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"

// A title strip with Caption, the lines of Text (split at '\n'), and an OK button, at
// most MostWidth x MostHeight pixels. The text is drawn by fontconfig's fonts in any
// script; without any, in the game's dialog letters (ASCII only).
class TMessageBoxPicture {
 public:
  TMessageBoxPicture(const std::string& caption, const std::string& text, int mostWidth, int mostHeight);

  TPixelArea Button() const;
  TPixelView View() const { return {Pixels.data(), Width, Height, Width}; }
  int Width = 0;
  int Height = 0;
  // Why the desktop's fonts could not be used; empty when they were.
  std::string WhyNoFonts;

 private:
  void Fill(int left, int top, int width, int height, uint32_t colour);
  int TextWidth(const std::string& text);
  void Write(int x, int y, const std::string& text, uint32_t colour);

  std::unique_ptr<TTextRenderer> Renderer;
  int LineHeight = 15;
  std::vector<uint32_t> Pixels;
  std::vector<uint32_t> Letters;  // the game's dialog letters, when there is no renderer
  int LettersWidth = 0;
};
