// Loading the catalogue from the PNG resources.
#include "sprites/GraphicSpriteForm.h"

#include "platform/PngCodec.h"
#include "platform/Resources.h"

TGraphicSpriteForm* GraphicSpriteForm = nullptr;

void LoadPicture(TImage& picture, const char* name, int width, int height, bool keyed) {
  const auto data = FindResource(TResourceKind::Picture, name);
  if (data.empty()) throw EPictureError(std::string("the picture ") + name + " is missing from the program");
  TDecodedPng png;
  try {
    png = DecodePng(data);
  } catch (const EPngError& error) {
    throw EPictureError(std::string("the picture ") + name + " is damaged: " + error.what());
  }
  if (png.Width != width || png.Height != height)
    throw EPictureError(std::string("the picture ") + name + " is " + std::to_string(png.Width) + "x" +
                        std::to_string(png.Height) + " instead of " + std::to_string(width) + "x" +
                        std::to_string(height));
  picture.Name = name;
  picture.Width = width;
  picture.Height = height;
  picture.Pixels.resize(png.Pixels.size());
  for (size_t i = 0; i < png.Pixels.size(); ++i) picture.Pixels[i] = png.Pixels[i] & 0x00FFFFFFu;
  if (keyed) {
    picture.Transparent = true;
    picture.TransparentColor = picture.Pixel(0, height - 1);
  }
}

TGraphicSpriteForm::TGraphicSpriteForm() {
#define PICTURE(name, width, height) LoadPicture(name, #name, width, height, false);
#define KEYED_PICTURE(name, width, height) LoadPicture(name, #name, width, height, true);
#include "sprites/PictureNames.def"
#undef KEYED_PICTURE
#undef PICTURE
}

std::vector<const TImage*> TGraphicSpriteForm::AllPictures() const {
  return {
#define PICTURE(name, width, height) &name,
#include "sprites/PictureNames.def"
#undef PICTURE
  };
}
