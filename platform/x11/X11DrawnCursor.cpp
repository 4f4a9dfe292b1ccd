// The drawn cursor: a shaped override-redirect window with the picture as its background.
#include "platform/x11/X11DrawnCursor.h"

#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include <bit>
#include <vector>

#include "platform/x11/X11Display.h"
#include "platform/x11/X11Window.h"

namespace {

// One 8-bit channel into a visual's channel mask.
unsigned long ToMask(uint32_t value, unsigned long mask) {
  if (mask == 0) return 0;
  const int bits = std::popcount(mask);
  const unsigned long scaled = bits >= 8 ? static_cast<unsigned long>(value) << (bits - 8) : value >> (8 - bits);
  return (scaled << std::countr_zero(mask)) & mask;
}

}  // namespace

TX11DrawnCursor::TX11DrawnCursor(TX11Display& connection) : Connection(connection) {}

TX11DrawnCursor::~TX11DrawnCursor() {
  if (TX11Display::ConnectionLost() || Handle == None) return;
  Connection.RemoveExtraOwnWindow(Handle);
  XDestroyWindow(Connection.Dpy(), Handle);
  if (Background != None) XFreePixmap(Connection.Dpy(), Background);
  XFlush(Connection.Dpy());
}

void TX11DrawnCursor::SetPicture(const TPixelView& picture) {
  Display* dpy = Connection.Dpy();
  const int screen = Connection.Screen();
  if (Handle == None) {
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.border_pixel = 0;
    Handle = XCreateWindow(dpy, Connection.Root(), 0, 0, static_cast<unsigned>(picture.Width),
                           static_cast<unsigned>(picture.Height), 0, CopyFromParent, InputOutput, CopyFromParent,
                           CWOverrideRedirect | CWBorderPixel, &attributes);
    NameOwnWindow(dpy, Handle, nullptr);
    XShapeCombineRectangles(dpy, Handle, ShapeInput, 0, 0, nullptr, 0, ShapeSet, YXBanded);
    // Its moves must not look like another application's window coming up over ours.
    Connection.AddExtraOwnWindow(Handle);
  } else if (picture.Width != Width || picture.Height != Height) {
    XResizeWindow(dpy, Handle, static_cast<unsigned>(picture.Width), static_cast<unsigned>(picture.Height));
  }
  Width = picture.Width;
  Height = picture.Height;

  Visual* visual = DefaultVisual(dpy, screen);
  const unsigned depth = static_cast<unsigned>(DefaultDepth(dpy, screen));
  XImage* image = XCreateImage(dpy, visual, depth, ZPixmap, 0, nullptr, static_cast<unsigned>(Width),
                               static_cast<unsigned>(Height), 32, 0);
  std::vector<char> bytes(static_cast<size_t>(image->bytes_per_line) * Height);
  image->data = bytes.data();
  // The mask in the bitmap format XCreateBitmapFromData reads: rows of whole bytes, lowest bit first.
  const int maskStride = (Width + 7) / 8;
  std::vector<char> mask(static_cast<size_t>(maskStride) * Height, 0);
  for (int y = 0; y < Height; ++y) {
    for (int x = 0; x < Width; ++x) {
      const uint32_t pixel = picture.Row(y)[x];
      XPutPixel(image, x, y,
                ToMask((pixel >> 16) & 0xFF, visual->red_mask) | ToMask((pixel >> 8) & 0xFF, visual->green_mask) |
                    ToMask(pixel & 0xFF, visual->blue_mask));
      if ((pixel >> 24) >= 0x80) mask[static_cast<size_t>(y) * maskStride + x / 8] |= static_cast<char>(1 << (x % 8));
    }
  }
  if (Background != None) XFreePixmap(dpy, Background);
  Background = XCreatePixmap(dpy, Handle, static_cast<unsigned>(Width), static_cast<unsigned>(Height), depth);
  GC context = XCreateGC(dpy, Background, 0, nullptr);
  XPutImage(dpy, Background, context, image, 0, 0, 0, 0, static_cast<unsigned>(Width), static_cast<unsigned>(Height));
  XFreeGC(dpy, context);
  image->data = nullptr;  // the vector's, not Xlib's to free
  XDestroyImage(image);
  XSetWindowBackgroundPixmap(dpy, Handle, Background);
  XClearWindow(dpy, Handle);

  const Pixmap shape = XCreateBitmapFromData(dpy, Handle, mask.data(), static_cast<unsigned>(Width),
                                             static_cast<unsigned>(Height));
  XShapeCombineMask(dpy, Handle, ShapeBounding, 0, 0, shape, ShapeSet);
  XFreePixmap(dpy, shape);
}

void TX11DrawnCursor::Show(const TPixelView& picture, int hotX, int hotY, int x, int y) {
  if (picture.Pixels == nullptr || picture.Width <= 0 || picture.Height <= 0) return;
  SetPicture(picture);
  HotX = hotX;
  HotY = hotY;
  Left = x - HotX;
  Top = y - HotY;
  XMoveWindow(Connection.Dpy(), Handle, Left, Top);
  if (!IsShown) XMapRaised(Connection.Dpy(), Handle);
  IsShown = true;
  XFlush(Connection.Dpy());
}

void TX11DrawnCursor::Hide() {
  if (!IsShown) return;
  XUnmapWindow(Connection.Dpy(), Handle);
  XFlush(Connection.Dpy());
  IsShown = false;
}

void TX11DrawnCursor::MoveTo(int x, int y) {
  if (!IsShown || (x - HotX == Left && y - HotY == Top)) return;
  Left = x - HotX;
  Top = y - HotY;
  XMoveWindow(Connection.Dpy(), Handle, Left, Top);
  XFlush(Connection.Dpy());
}

void TX11DrawnCursor::Raise() {
  if (IsShown) XRaiseWindow(Connection.Dpy(), Handle);
}
