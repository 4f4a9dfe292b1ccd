// The overlay's pictures as premultiplied ARGB, and the form for back ends that show a pixel wholly or not at all.
#pragma once

#include <cstdint>

// An overlay picture's pixel is premultiplied ARGB: alpha (bits 24-31) is how much of
// the pixel the game covers, 0 see-through to 255 solid, and red, green and blue are
// already multiplied by it. A back end that blends per pixel (a compositor, a layered
// window with per-pixel alpha) shows it as it is.
//
// A back end that can only cut the window to a shape, or make one colour see-through,
// shows the pixels whose coverage is at least one half, each with its colour divided by
// its coverage, so that a sprite's edge keeps the sprite's own brightness instead of
// turning into a dark rim. (The X11 back end cuts its shape from the playfield's own
// pixels instead, which it is given, and divides every covered pixel.)
constexpr uint32_t ShapeAlpha = 128;

// True when a premultiplied pixel belongs to the shape.
constexpr bool InShape(uint32_t pixel) { return (pixel >> 24) >= ShapeAlpha; }

// Writes Count premultiplied pixels of In to Out in the shape's form: a pixel of the
// shape gets alpha 255 and its colour divided by its coverage, and is never pure black
// (a colour key must not take it); every other pixel becomes 0, see-through black. In
// and Out may be the same.
void ShapedFromPremultiplied(const uint32_t* in, uint32_t* out, int count);
// The same for a window whose shape is cut by other means: every pixel covered at all
// gets alpha 255 and its colour divided by its coverage; only pixels not covered
// become 0.
void CoveredFromPremultiplied(const uint32_t* in, uint32_t* out, int count);
