// Pictures that tests make: blocks of one colour, kept for as long as the test runs.
#pragma once

#include <memory>
#include <vector>

#include "sprites/GraphicSpriteForm.h"

class TTestPictures {
 public:
  // A W x H picture of one colour.
  const TImage* Block(int width, int height, TColor32 colour = 0xFF8000) {
    auto picture = std::make_unique<TImage>();
    picture->Width = width;
    picture->Height = height;
    picture->Pixels.assign(static_cast<size_t>(width) * height, colour);
    Pictures.push_back(std::move(picture));
    return Pictures.back().get();
  }

 private:
  std::vector<std::unique_ptr<TImage>> Pictures;
};
