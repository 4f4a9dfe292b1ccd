// Finding XWayland, and the gun as our own window's cursor there.
#include "platform/x11/X11XWayland.h"

#include <X11/Xcursor/Xcursor.h>

#include <cstdlib>

#include "platform/x11/X11Cursors.h"

bool TX11XWayland::Detect(Display* dpy) {
  int opcode = 0, event = 0, error = 0;
  if (XQueryExtension(dpy, "XWAYLAND", &opcode, &event, &error)) return true;
  const char* session = std::getenv("WAYLAND_DISPLAY");
  return session != nullptr && *session != '\0';
}

bool TX11XWayland::ShowCursorOn(Display* dpy, const std::vector<Window>& windows, const TPixelView& picture, int hotX,
                                int hotY) {
  XcursorImage* image = NewCursorImage(picture, hotX, hotY);
  if (image == nullptr) return false;
  const Cursor cursor = XcursorImageLoadCursor(dpy, image);
  XcursorImageDestroy(image);
  if (cursor == None) return false;
  for (const Window window : windows) XDefineCursor(dpy, window, cursor);
  // The windows hold the cursor now.
  XFreeCursor(dpy, cursor);
  XFlush(dpy);
  return true;
}

void TX11XWayland::RestoreCursorOn(Display* dpy, const std::vector<Window>& windows) {
  const Cursor arrow = XcursorLibraryLoadCursor(dpy, "left_ptr");
  for (const Window window : windows) XDefineCursor(dpy, window, arrow);
  if (arrow != None) XFreeCursor(dpy, arrow);
  XFlush(dpy);
}
