// The picture catalogue: every picture of the game as a field of its own, loaded from
// the program's resources at start-up.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "sprites/Bitmap32.h"

// A picture of the catalogue: 24-bit colour in which pure black is transparent.
class TImage {
 public:
  std::string Name;
  int Width = 0;
  int Height = 0;
  // Marked transparent: pixels of TransparentColor are left out when the picture is drawn.
  bool Transparent = false;
  TColor32 TransparentColor = 0;
  // Width x Height values of red, green and blue (bits 16-23, 8-15, 0-7), alpha 0.
  std::vector<TColor32> Pixels;

  TColor32 Pixel(int x, int y) const { return Pixels[static_cast<size_t>(y) * Width + x]; }
};

// A picture the program file should hold but does not, or holds in a wrong shape.
class EPictureError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the picture resource Name into Picture, which must be Width x Height; with
// Keyed its black is transparent. Throws EPictureError when the program file lacks the
// picture or holds it damaged or in another size.
void LoadPicture(TImage& picture, const char* name, int width, int height, bool keyed);

class TGraphicSpriteForm {
 public:
  // Loads every picture; throws EPictureError when one is missing or not as catalogued.
  TGraphicSpriteForm();

#define PICTURE(name, width, height) TImage name;
#include "sprites/PictureNames.def"
#undef PICTURE

  // Every picture, in catalogue order.
  std::vector<const TImage*> AllPictures() const;
};

// The second sprite form of the set-up; it holds nothing.
class TGraphicSpriteForm2 {};

// The catalogue of the running program, created by the game window's set-up.
extern TGraphicSpriteForm* GraphicSpriteForm;
