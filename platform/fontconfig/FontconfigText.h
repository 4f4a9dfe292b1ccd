// Text in any script for the Linux back ends: the fonts fontconfig finds, drawn by FreeType.
#pragma once

#include <memory>
#include <string>

#include "platform/Platform.h"

// The desktop's sans-serif font at PixelSize (its em, in pixels), with every other
// font fontconfig ranks after it for the characters it lacks; null, with WhyNot set,
// when fontconfig finds no font that FreeType can open.
std::unique_ptr<TTextRenderer> CreateFontconfigTextRenderer(int pixelSize, std::string& whyNot);
