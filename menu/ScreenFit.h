// How the menu and the dialogs take the monitor's scale: they grow by whole multiples,
// each of their pixels made a square of pixels, so that their letters keep their look.
#pragma once

#include "platform/Platform.h"
#include "sprites/Bitmap32.h"

// The whole multiple for a Width x Height picture at the desktop's Scale on Screen:
// Scale rounded down, never below 1, and no larger than lets the picture fit on Screen.
int WholeMultiple(double scale, const TScreenSize& screen, int width, int height);

// The platform's scale and screen now, for a Width x Height picture.
int WholeMultipleNow(int width, int height);

// Copies Area of From into To (Multiple times From's size) with each pixel made a
// square of Multiple x Multiple; the place it filled in To.
TPixelArea EnlargeWhole(const TBitmap32& from, const TPixelArea& area, TBitmap32& to, int multiple);
