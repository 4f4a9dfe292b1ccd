// The gun drawn at the pointer by a small window of its own, where the server's cursors cannot be replaced.
#pragma once

#include <X11/Xlib.h>

#include "platform/Platform.h"

class TX11Display;

// A borderless window of the picture's size that follows the pointer, above the
// program's other windows. The picture is its background, so the server repaints it
// without us; its shape is the picture's opaque pixels, so black is black and the
// see-through parts show what is beneath; its input shape is empty, so every click
// goes to the window under it. The real pointer is hidden meanwhile (TX11Cursors).
class TX11DrawnCursor {
 public:
  explicit TX11DrawnCursor(TX11Display& connection);
  ~TX11DrawnCursor();
  TX11DrawnCursor(const TX11DrawnCursor&) = delete;
  TX11DrawnCursor& operator=(const TX11DrawnCursor&) = delete;

  // Shows Picture (straight-alpha ARGB; pixels of alpha 128 and more count as opaque)
  // with its hot spot (HotX, HotY) on the screen point (X, Y).
  void Show(const TPixelView& picture, int hotX, int hotY, int x, int y);
  void Hide();
  bool Shown() const { return IsShown; }
  // Puts the hot spot on the screen point (X, Y).
  void MoveTo(int x, int y);
  // Above every other window, the program's own included.
  void Raise();
  Window Id() const { return Handle; }

 private:
  void SetPicture(const TPixelView& picture);

  TX11Display& Connection;
  Window Handle = None;
  Pixmap Background = None;
  int Width = 0;
  int Height = 0;
  int HotX = 0;
  int HotY = 0;
  int Left = 0;
  int Top = 0;
  bool IsShown = false;
};
