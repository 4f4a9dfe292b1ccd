// Drawing the icon from the game's pictures and scaling it without blurring its pixels.
#include "tools/icon/IconPainter.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

struct TColourSum {
  double Alpha = 0, Red = 0, Green = 0, Blue = 0;
};

uint8_t Channel(uint32_t pixel, int shift) { return static_cast<uint8_t>(pixel >> shift); }

uint32_t Pack(double alpha, double red, double green, double blue) {
  const auto byte = [](double v) { return static_cast<uint32_t>(std::clamp(std::lround(v), 0L, 255L)); };
  return byte(alpha) << 24 | byte(red) << 16 | byte(green) << 8 | byte(blue);
}

// Source over Destination, both straight alpha.
uint32_t Over(uint32_t source, uint32_t destination) {
  const double a = Channel(source, 24) / 255.0, b = Channel(destination, 24) / 255.0;
  const double out = a + b * (1 - a);
  if (out == 0) return 0;
  const auto mix = [&](int shift) { return (Channel(source, shift) * a + Channel(destination, shift) * b * (1 - a)) / out; };
  return Pack(out * 255, mix(16), mix(8), mix(0));
}

void Place(TIconPicture& icon, const TDecodedPng& picture, int left, int top, bool blackIsClear) {
  for (int y = 0; y < picture.Height; ++y)
    for (int x = 0; x < picture.Width; ++x) {
      const int ix = left + x, iy = top + y;
      if (ix < 0 || iy < 0 || ix >= icon.Size || iy >= icon.Size) continue;
      uint32_t pixel = picture.Pixels[static_cast<size_t>(y) * picture.Width + x];
      if (blackIsClear && (pixel & 0xFFFFFF) == 0) pixel = 0;
      uint32_t& target = icon.Pixels[static_cast<size_t>(iy) * icon.Size + ix];
      target = Over(pixel, target);
    }
}

// How much of the source span [From, From + Length) lies in source pixel I.
double Overlap(double from, double length, int i) {
  return std::max(0.0, std::min(from + length, i + 1.0) - std::max(from, static_cast<double>(i)));
}

uint32_t AverageArea(const TIconPicture& drawing, double left, double top, double span) {
  TColourSum sum;
  double area = 0;
  for (int y = static_cast<int>(top); y < std::min<int>(drawing.Size, static_cast<int>(std::ceil(top + span))); ++y)
    for (int x = static_cast<int>(left); x < std::min<int>(drawing.Size, static_cast<int>(std::ceil(left + span))); ++x) {
      const double weight = Overlap(left, span, x) * Overlap(top, span, y);
      const uint32_t pixel = drawing.At(x, y);
      const double alpha = Channel(pixel, 24) * weight;
      // Colours weigh by their opacity, so see-through pixels darken no edge.
      sum.Alpha += alpha;
      sum.Red += Channel(pixel, 16) * alpha;
      sum.Green += Channel(pixel, 8) * alpha;
      sum.Blue += Channel(pixel, 0) * alpha;
      area += weight;
    }
  if (sum.Alpha == 0) return 0;
  return Pack(sum.Alpha / area, sum.Red / sum.Alpha, sum.Green / sum.Alpha, sum.Blue / sum.Alpha);
}

}  // namespace

TIconPicture PaintIcon(const TDecodedPng& flash, const TDecodedPng& cursor) {
  TIconPicture icon{IconDrawingSize, std::vector<uint32_t>(IconDrawingSize * IconDrawingSize, 0)};
  const int centre = IconDrawingSize / 2;
  Place(icon, flash, centre - flash.Width / 2, centre - flash.Height / 2, true);
  // A cursor points with its top-left corner.
  Place(icon, cursor, centre, centre, false);
  return icon;
}

TIconPicture ScaleIcon(const TIconPicture& drawing, int size) {
  if (size <= 0) throw std::invalid_argument("an icon needs a size");
  TIconPicture icon{size, std::vector<uint32_t>(static_cast<size_t>(size) * size, 0)};
  const bool whole = size % drawing.Size == 0;
  const double span = static_cast<double>(drawing.Size) / size;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      icon.Pixels[static_cast<size_t>(y) * size + x] =
          whole ? drawing.At(x * drawing.Size / size, y * drawing.Size / size) : AverageArea(drawing, x * span, y * span, span);
  return icon;
}
