// Text in any script on Windows: the system's message font, drawn by GDI.
#pragma once

#include <memory>
#include <string>

#include "platform/Platform.h"

// The font the system's message boxes use (its face, at PixelSize for the em), with
// the installed fonts of a character's script standing in for characters it lacks;
// null, with WhyNot set, when GDI cannot make it.
std::unique_ptr<TTextRenderer> CreateGdiTextRenderer(int pixelSize, std::string& whyNot);
