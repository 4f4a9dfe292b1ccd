// Cursor replacement by name through XFixes, with pictures made by libXcursor; the drawn gun where that fails.
#include "platform/x11/X11Cursors.h"

#include <X11/Xatom.h>
#include <X11/Xcursor/Xcursor.h>
#include <X11/extensions/Xfixes.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/x11/X11Display.h"
#include "platform/x11/X11DrawnCursor.h"
#include "platform/x11/X11Guard.h"
#include "platform/x11/X11Window.h"
#include "platform/x11/X11XWayland.h"

namespace {

// The names applications load their cursors by, for each standard cursor of the
// system the game was designed on: arrow, text, wait, cross, up arrow, the four
// sizing arrows, move, forbidden, hand and busy arrow. XFixes can only replace a
// cursor that carries a name, so every name of every theme convention is here.
constexpr const char* CursorNames[] = {
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

constexpr const char* MarkerName = "_BLASTOVER_CURSORS_REPLACED";
constexpr int LargestCursor = 256;
// XFixes 4 hides and shows the pointer.
constexpr int XFixesHidingVersion = 4;

// Xcursor wants premultiplied alpha.
XcursorPixel Premultiplied(uint32_t pixel) {
  const uint32_t alpha = pixel >> 24;
  const auto scale = [alpha](uint32_t channel) { return (channel * alpha + 127) / 255; };
  return alpha << 24 | scale((pixel >> 16) & 0xFF) << 16 | scale((pixel >> 8) & 0xFF) << 8 | scale(pixel & 0xFF);
}

bool DrawingForced() {
  const char* value = std::getenv("BLASTOVER_NO_XFIXES_CURSORS");
  return value != nullptr && std::strcmp(value, "1") == 0;
}

}  // namespace

std::span<const char* const> StandardCursorNames() { return CursorNames; }

XcursorImage* NewCursorImage(const TPixelView& picture, int hotX, int hotY) {
  XcursorImage* image = XcursorImageCreate(picture.Width, picture.Height);
  if (image == nullptr) return nullptr;
  image->xhot = static_cast<XcursorDim>(hotX);
  image->yhot = static_cast<XcursorDim>(hotY);
  for (int y = 0; y < picture.Height; ++y)
    for (int x = 0; x < picture.Width; ++x)
      image->pixels[y * picture.Width + x] = Premultiplied(picture.Row(y)[x]);
  return image;
}

void RestoreStandardCursors(Display* dpy) {
  for (const char* name : CursorNames) {
    // The theme's cursor, or the core font's for the traditional names. A name that
    // neither knows cannot have been loaded by an application with the same theme.
    const Cursor cursor = XcursorLibraryLoadCursor(dpy, name);
    if (cursor == None) continue;
    XFixesSetCursorName(dpy, cursor, name);
    XFixesChangeCursorByName(dpy, cursor, name);
    XFreeCursor(dpy, cursor);
  }
  XDeleteProperty(dpy, DefaultRootWindow(dpy), XInternAtom(dpy, MarkerName, False));
  XFlush(dpy);
}

TX11Cursors::TX11Cursors(TX11Display& connection) : Connection(connection), Marker(connection.Intern(MarkerName)) {
  const TX11Extensions& found = Connection.Extensions();
  const bool forced = DrawingForced();
  if (found.XWayland && XcursorSupportsARGB(Connection.Dpy())) {
    Mode = TMode::OwnWindow;
  } else if (found.XFixes && XcursorSupportsARGB(Connection.Dpy()) && !forced) {
    Mode = TMode::Replace;
  } else if (found.XFixesMajor >= XFixesHidingVersion && found.Shape) {
    Mode = TMode::Draw;
    if (!forced) Connection.Warn("the X server cannot replace colour cursors: the gun is drawn at the pointer");
  } else {
    Connection.Warn(found.XFixesMajor == 0 ? "no XFixes extension: the game shows no gun cursor"
                                           : "no XFixes 4 and SHAPE extensions: the game shows no gun cursor");
  }
}

void TX11Cursors::RepairAfterKilledRun() {
  // Whatever the mode this run uses itself.
  if (Connection.Extensions().XFixes && MarkerPresent()) RestoreStandardCursors(Connection.Dpy());
}

TX11Cursors::~TX11Cursors() {
  if ((IsReplaced || PointerHidden) && !TX11Display::ConnectionLost()) Restore();
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
  if (picture.Pixels == nullptr || picture.Width <= 0 || picture.Height <= 0 || picture.Width > LargestCursor ||
      picture.Height > LargestCursor)
    return false;
  // A hot spot outside the picture makes the server refuse the cursor.
  hotX = std::clamp(hotX, 0, picture.Width - 1);
  hotY = std::clamp(hotY, 0, picture.Height - 1);
  switch (Mode) {
    case TMode::Replace: return Replace(picture, hotX, hotY);
    case TMode::Draw: return Draw(picture, hotX, hotY);
    case TMode::OwnWindow: return TX11XWayland::ShowCursorOn(Connection.Dpy(), GameWindows(), picture, hotX, hotY);
    case TMode::Off: return false;
  }
  return false;
}

bool TX11Cursors::Replace(const TPixelView& picture, int hotX, int hotY) {
  Display* dpy = Connection.Dpy();
  XcursorImage* image = NewCursorImage(picture, hotX, hotY);
  if (image == nullptr) return false;

  // Mark first, so that a run killed half-way through is still undone by the next,
  // and a crash half-way through by its helper.
  TX11Guard::NoteCursorsReplaced(true);
  const long owner = static_cast<long>(getpid());
  XChangeProperty(dpy, Connection.Root(), Marker, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&owner), 1);
  // One cursor per name: a cursor has one name, and only a named replacement can be
  // found again by name to be given back.
  for (const char* name : CursorNames) {
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

bool TX11Cursors::Draw(const TPixelView& picture, int hotX, int hotY) {
  Display* dpy = Connection.Dpy();
  if (Drawn == nullptr) Drawn = std::make_unique<TX11DrawnCursor>(Connection);
  if (!PointerHidden) {
    XFixesHideCursor(dpy, Connection.Root());
    PointerHidden = true;
  }
  Window root = None, child = None;
  int x = 0, y = 0, windowX = 0, windowY = 0;
  unsigned buttons = 0;
  XQueryPointer(dpy, Connection.Root(), &root, &child, &x, &y, &windowX, &windowY, &buttons);
  Drawn->Show(picture, hotX, hotY, x, y);
  return true;
}

std::vector<Window> TX11Cursors::GameWindows() const {
  std::vector<Window> windows;
  for (const TX11Window* window : Connection.Windows())
    if (window->Kind() == TWindowKind::Overlay) windows.push_back(window->Id());
  return windows;
}

void TX11Cursors::Restore() {
  Display* dpy = Connection.Dpy();
  if (Mode == TMode::OwnWindow) TX11XWayland::RestoreCursorOn(dpy, GameWindows());
  if (Drawn != nullptr) Drawn->Hide();
  if (PointerHidden) {
    XFixesShowCursor(dpy, Connection.Root());
    PointerHidden = false;
  }
  if (Connection.Extensions().XFixes && (IsReplaced || MarkerPresent())) RestoreStandardCursors(dpy);
  IsReplaced = false;
  TX11Guard::NoteCursorsReplaced(false);
  XFlush(dpy);
}

bool TX11Cursors::Drawing() const { return Drawn != nullptr && Drawn->Shown(); }

void TX11Cursors::FollowPointer(int x, int y) {
  if (Drawing()) Drawn->MoveTo(x, y);
}

void TX11Cursors::Raise() {
  if (Drawing()) Drawn->Raise();
}

Window TX11Cursors::DrawnWindow() const { return Drawn != nullptr ? Drawn->Id() : None; }
