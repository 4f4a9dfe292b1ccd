// Replacing the standard cursors of every application on the display, and giving them back.
#pragma once

#include <X11/Xlib.h>

#include "platform/Platform.h"

class TX11Display;

// The server keeps replaced cursors after we disconnect, even after a crash. So the
// replacement is recorded as a property of the root window, and whoever finds it
// there at start-up (the next run) gives the standard cursors back.
class TX11Cursors {
 public:
  explicit TX11Cursors(TX11Display& connection);
  ~TX11Cursors();
  TX11Cursors(const TX11Cursors&) = delete;
  TX11Cursors& operator=(const TX11Cursors&) = delete;

  // Shows Picture (straight-alpha ARGB, at most 256 x 256) with its hot spot at
  // (HotX, HotY) in place of every standard cursor; false when that cannot be done.
  bool Install(const TPixelView& picture, int hotX, int hotY);
  // Gives back the cursors of the theme, if they were replaced by this or a killed run.
  void Restore();
  bool Replaced() const { return IsReplaced; }

 private:
  bool MarkerPresent();

  TX11Display& Connection;
  Atom Marker;
  bool IsReplaced = false;
};
