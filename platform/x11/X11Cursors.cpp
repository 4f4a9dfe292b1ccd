// Cursor replacement by name through XFixes, with pictures made by libXcursor.
#include "platform/x11/X11Cursors.h"

#include <X11/Xatom.h>
#include <X11/Xcursor/Xcursor.h>
#include <X11/extensions/Xfixes.h>
#include <unistd.h>

#include <algorithm>

#include "platform/x11/X11Display.h"

namespace {

// The names applications load their cursors by, for each standard cursor of the
// system the game was designed on: arrow, text, wait, cross, up arrow, the four
// sizing arrows, move, forbidden, hand and busy arrow. XFixes can only replace a
// cursor that carries a name, so every name of every theme convention is here.
constexpr const char* StandardCursorNames[] = {
    "default", "left_ptr", "arrow", "top_left_arrow",
    "text", "xterm", "ibeam",
    "wait", "watch",
    "crosshair", "cross", "tcross",
    "up_arrow", "center_ptr", "sb_up_arrow",
    "nwse-resize", "size_fdiag", "bd_double_arrow", "top_left_corner", "bottom_right_corner",
    "nesw-resize", "size_bdiag", "fd_double_arrow", "top_right_corner", "bottom_left_corner",
    "ew-resize", "col-resize", "sb_h_double_arrow", "h_double_arrow", "size_hor", "left_side", "right_side",
    "ns-resize", "row-resize", "sb_v_double_arrow", "v_double_arrow", "size_ver", "top_side", "bottom_side",
    "move", "fleur", "all-scroll", "size_all",
    "not-allowed", "crossed_circle", "forbidden", "no-drop", "circle",
    "pointer", "hand", "hand1", "hand2", "pointing_hand",
    "progress", "left_ptr_watch", "half-busy",
};

constexpr int LargestCursor = 256;

// Xcursor wants premultiplied alpha.
XcursorPixel Premultiplied(uint32_t pixel) {
  const uint32_t alpha = pixel >> 24;
  const auto scale = [alpha](uint32_t channel) { return (channel * alpha + 127) / 255; };
  return alpha << 24 | scale((pixel >> 16) & 0xFF) << 16 | scale((pixel >> 8) & 0xFF) << 8 | scale(pixel & 0xFF);
}

}  // namespace

TX11Cursors::TX11Cursors(TX11Display& connection)
    : Connection(connection), Marker(connection.Intern("_BLASTOVER_CURSORS_REPLACED")) {
  if (Connection.Extensions().XFixes && MarkerPresent()) Restore();
}

TX11Cursors::~TX11Cursors() {
  if (IsReplaced && !TX11Display::ConnectionLost()) Restore();
}

bool TX11Cursors::MarkerPresent() {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  XGetWindowProperty(Connection.Dpy(), Connection.Root(), Marker, 0, 1, False, AnyPropertyType, &type, &format,
                     &count, &after, &data);
  if (data != nullptr) XFree(data);
  return type != None;
}

bool TX11Cursors::Install(const TPixelView& picture, int hotX, int hotY) {
  if (!Connection.Extensions().XFixes) return false;
  if (picture.Pixels == nullptr || picture.Width <= 0 || picture.Height <= 0 || picture.Width > LargestCursor ||
      picture.Height > LargestCursor)
    return false;
  Display* dpy = Connection.Dpy();
  XcursorImage* image = XcursorImageCreate(picture.Width, picture.Height);
  if (image == nullptr) return false;
  // A hot spot outside the picture makes the server refuse the cursor.
  image->xhot = static_cast<XcursorDim>(std::clamp(hotX, 0, picture.Width - 1));
  image->yhot = static_cast<XcursorDim>(std::clamp(hotY, 0, picture.Height - 1));
  for (int y = 0; y < picture.Height; ++y)
    for (int x = 0; x < picture.Width; ++x)
      image->pixels[y * picture.Width + x] = Premultiplied(picture.Row(y)[x]);

  // Mark first, so that a run killed half-way through is still undone by the next.
  const long owner = static_cast<long>(getpid());
  XChangeProperty(dpy, Connection.Root(), Marker, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&owner), 1);
  // One cursor per name: a cursor has one name, and only a named replacement can be
  // found again by name to be given back.
  for (const char* name : StandardCursorNames) {
    const Cursor cursor = XcursorImageLoadCursor(dpy, image);
    XFixesSetCursorName(dpy, cursor, name);
    XFixesChangeCursorByName(dpy, cursor, name);
    // The applications' cursors now hold it; our own handle is no longer needed.
    XFreeCursor(dpy, cursor);
  }
  XcursorImageDestroy(image);
  XFlush(dpy);
  IsReplaced = true;
  return true;
}

void TX11Cursors::Restore() {
  if (!Connection.Extensions().XFixes) return;
  if (!IsReplaced && !MarkerPresent()) return;
  Display* dpy = Connection.Dpy();
  for (const char* name : StandardCursorNames) {
    // The theme's cursor, or the core font's for the traditional names. A name that
    // neither knows cannot have been loaded by an application with the same theme.
    const Cursor cursor = XcursorLibraryLoadCursor(dpy, name);
    if (cursor == None) continue;
    XFixesSetCursorName(dpy, cursor, name);
    XFixesChangeCursorByName(dpy, cursor, name);
    XFreeCursor(dpy, cursor);
  }
  XDeleteProperty(dpy, Connection.Root(), Marker);
  XFlush(dpy);
  IsReplaced = false;
}
