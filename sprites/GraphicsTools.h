// Turning catalogue pictures into frames, recolouring frames, and drawing scaled about a centre.
#pragma once

#include <memory>

#include "sprites/Bitmap32.h"
#include "sprites/GraphicSpriteForm.h"

// A frame of the picture: its size plus a one-pixel border of 0 on every side, each
// picture pixel with alpha 0 (so black becomes the transparent 0), transparent draw
// mode with outer colour 0, bilinear resampling; then From replaced by To.
std::unique_ptr<TBitmap32> BitmapFromImage(const TImage& picture, TColor32 from = 0, TColor32 to = 0);
// Every pixel of exactly From becomes To; nothing when they are equal.
void ReplaceColour(TBitmap32& bitmap, TColor32 from, TColor32 to);
// Pixels of exactly A become B and those of B become A, each pixel tested once.
void SwapColours(TBitmap32& bitmap, TColor32 a, TColor32 b);
// The bitmap's size times (Fx, Fy), centred on P: half sizes rounded, halves to even.
TRect CentredRect(const TBitmap32& bitmap, TPoint p, double fx, double fy);
// Draws all of Source stretched over CentredRect(Source, (X, Y), Fx, Fy) on Target,
// through Source's draw mode and resampler.
void DrawScaledCentred(TBitmap32& target, const TBitmap32& source, int x, int y, double fx, double fy);
