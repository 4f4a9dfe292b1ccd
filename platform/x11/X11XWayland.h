// What the X11 back end does differently when its X server is XWayland.
#pragma once

#include <X11/Xlib.h>

#include <vector>

#include "platform/Platform.h"

// A Wayland compositor tells XWayland where the pointer is, and which buttons it
// presses, only while the pointer is over an X window. Our see-through black would
// pass the pointer to native Wayland windows, and the gun would stop following it;
// and replacing the standard cursors reaches only X programs. So under XWayland:
// - the game window takes all pointer input while it is shown (its input shape is the
//   whole window), so the pointer is always over an X window during play;
// - the gun is that window's own cursor, and no other program's cursor is touched.
class TX11XWayland {
 public:
  // True when the server is XWayland: it offers the XWAYLAND extension, or the program
  // runs in a Wayland session (WAYLAND_DISPLAY set).
  static bool Detect(Display* dpy);
  // Makes Picture (straight-alpha ARGB) the cursor of every window in Windows; false
  // when the server cannot make the cursor.
  static bool ShowCursorOn(Display* dpy, const std::vector<Window>& windows, const TPixelView& picture, int hotX,
                           int hotY);
  // Gives the windows the theme's arrow again.
  static void RestoreCursorOn(Display* dpy, const std::vector<Window>& windows);
};
