// The overlay window: an ARGB window under a compositor, a shaped one without.
#include "platform/x11/X11Overlay.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrender.h>
#include <X11/extensions/shape.h>

#include "platform/x11/X11Display.h"

namespace {

// Half the side of the square around the pointer in which the input shape is exact.
// Outside it every pixel passes clicks, which only matters until the next frame or
// the next pointer motion brings the square along.
constexpr int InputBoxHalf = 64;
// The X server exposes the bounding box of an exposure of more than 25 rectangles, so
// a window beneath would repaint everything between the sprites that moved. A change
// of the shape that uncovers at most this many is exposed exactly; the margin is for
// the rectangles the windows beneath add where their own edges cut ours.
constexpr size_t ExactExposureRects = 20;
// Each change of the shape costs the server about as much as exposing a few hundred
// pixels for each rectangle of the whole shape: under Xvfb, 0.2 us a rectangle to clip
// the windows beneath again, and 1 to 2 ns a pixel to paint an exposure and have a text
// window draw it again. Areas whose rectangles are many share a request while the box
// around them is at most this many pixels a rectangle of the shape (the cheapest of
// 30 to 1,000 in a game over a full-screen text window).
constexpr int64_t ExposureCostPerShapeRect = 300;

}  // namespace

TX11OverlayWindow::TX11OverlayWindow(std::shared_ptr<TX11Display> connection)
    : TX11Window(std::move(connection), TWindowKind::Overlay) {
  CreateNative();
}

TX11OverlayWindow::~TX11OverlayWindow() {
  if (!TX11Display::ConnectionLost()) DestroyNative();
}

bool TX11OverlayWindow::ChooseAlphaVisual(XVisualInfo& chosen) {
  Display* dpy = Connection->Dpy();
  XVisualInfo wanted{};
  wanted.screen = Connection->Screen();
  wanted.depth = 32;
  wanted.c_class = TrueColor;
  int count = 0;
  XVisualInfo* found = XGetVisualInfo(dpy, VisualScreenMask | VisualDepthMask | VisualClassMask, &wanted, &count);
  bool ok = false;
  for (int i = 0; i < count && !ok; ++i) {
    const XRenderPictFormat* format = XRenderFindVisualFormat(dpy, found[i].visual);
    if (format != nullptr && format->type == PictTypeDirect && format->direct.alphaMask != 0) {
      chosen = found[i];
      ok = true;
    }
  }
  if (found != nullptr) XFree(found);
  return ok;
}

void TX11OverlayWindow::CreateNative() {
  Display* dpy = Connection->Dpy();
  const Window root = Connection->Root();
  const TPixelArea& area = Connection->PlayArea();
  Left = area.X;
  Top = area.Y;
  Width = area.Width;
  Height = area.Height;

  XVisualInfo alphaVisual{};
  Composite = Connection->AlphaShown() && ChooseAlphaVisual(alphaVisual);
  if (!Composite)
    Connection->Warn(Connection->CompositorRunning()
                         ? "no 32-bit visual for the compositor: the window takes the shape of what the game draws"
                         : "no compositing manager: the window takes the shape of what the game draws");

  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.event_mask = ExposureMask;
  attributes.border_pixel = 0;
  unsigned long mask = CWOverrideRedirect | CWEventMask | CWBorderPixel;
  Visual* visual = DefaultVisual(dpy, Connection->Screen());
  int depth = DefaultDepth(dpy, Connection->Screen());
  if (Composite) {
    visual = alphaVisual.visual;
    depth = alphaVisual.depth;
    // A visual other than the parent's needs its own colormap and a border pixel,
    // or the server refuses the window with BadMatch.
    AlphaColormap = XCreateColormap(dpy, root, visual, AllocNone);
    attributes.colormap = AlphaColormap;
    attributes.background_pixel = 0;  // transparent until the first frame
    mask |= CWColormap | CWBackPixel;
  } else {
    // No background: an Expose must not flash black before the frame is put back.
    attributes.background_pixmap = None;
    mask |= CWBackPixmap;
  }
  Handle = XCreateWindow(dpy, root, Left, Top, static_cast<unsigned>(Width), static_cast<unsigned>(Height), 0, depth,
                         InputOutput, visual, mask, &attributes);
  NameWindow();
  UseNamedArrow();
  if (Composite) {
    // Asks compositors that unredirect full-screen windows not to: without them, alpha is lost.
    const long keepComposited = 2;
    XChangeProperty(dpy, Handle, Connection->Intern("_NET_WM_BYPASS_COMPOSITOR"), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&keepComposited), 1);
  }
  BoundingShape.Reset();
  InputRects.clear();
  if (Connection->Extensions().Shape) {
    // Until the first frame nothing shows (without a compositor) and nothing takes clicks.
    if (!Composite) SetShape(ShapeBounding, {});
    SetShape(ShapeInput, {});
  }
  Presenter = std::make_unique<TX11Presenter>(*Connection, Handle, visual, depth,
                                              Composite ? TPixelConversion::AsIs : TPixelConversion::Shaped);
  Presenter->Resize(Width, Height);
}

void TX11OverlayWindow::DestroyNative() {
  Display* dpy = Connection->Dpy();
  Presenter.reset();
  if (Handle != None) XDestroyWindow(dpy, Handle);
  Handle = None;
  if (AlphaColormap != None) XFreeColormap(dpy, AlphaColormap);
  AlphaColormap = None;
  XFlush(dpy);
}

void TX11OverlayWindow::SetBounds(int, int, int, int) {}

void TX11OverlayWindow::Show() {
  if (Shown) return;
  // The compositor may have come or gone while no notice could tell us.
  if (Connection->AlphaShown() != Composite) CompositorChanged();
  // A game starts: it plays on the monitor that holds the pointer now.
  Connection->ChoosePlayMonitor();
  FollowPlayArea();
  XMapRaised(Connection->Dpy(), Handle);
  XFlush(Connection->Dpy());
  Shown = true;
}

void TX11OverlayWindow::Hide() {
  if (!Shown) return;
  XUnmapWindow(Connection->Dpy(), Handle);
  XFlush(Connection->Dpy());
  Shown = false;
}

void TX11OverlayWindow::SetShape(int kind, const TRegionRects& rects, int operation, int ordering) {
  std::vector<XRectangle> list;
  list.reserve(rects.size());
  for (const TRegionRect& r : rects)
    list.push_back({static_cast<short>(r.X), static_cast<short>(r.Y), static_cast<unsigned short>(r.Width),
                    static_cast<unsigned short>(r.Height)});
  XShapeCombineRectangles(Connection->Dpy(), Handle, kind, 0, 0, list.data(), static_cast<int>(list.size()), operation,
                          ordering);
}

void TX11OverlayWindow::UpdateBoundingShape(const TPixelView& picture, const std::vector<TPixelArea>* changed,
                                            const TPixelView* source) {
  // Only the rows a frame changed are read, and the shape is sent only when it differs.
  if (!BoundingShape.Update(picture, changed, source)) return;
  if (!BoundingShape.ReadWhole()) {
    // What left the shape goes first, a few areas at a time, so that the windows
    // beneath are told of the places the sprites left rather than of everything
    // between them; the last of those goes with the new shape itself.
    const std::vector<TRegionRects> removals =
        BatchRemovals(BoundingShape.Changes(), ExactExposureRects,
                      ExposureCostPerShapeRect * static_cast<int64_t>(BoundingShape.Rects().size()));
    for (size_t i = 0; i + 1 < removals.size(); ++i)
      SetShape(ShapeBounding, removals[i], ShapeSubtract, YXBanded);
  }
  SetShape(ShapeBounding, BoundingShape.Rects());
}

void TX11OverlayWindow::UpdateInputShape() {
  if (!Connection->Extensions().Shape || Handle == None) return;
  Display* dpy = Connection->Dpy();
  if (Connection->Extensions().XWayland) {
    // Under XWayland the pointer must never leave our window during play (TX11XWayland).
    TRegionRects whole{{0, 0, Width, Height}};
    if (whole == InputRects) return;
    InputRects = std::move(whole);
    SetShape(ShapeInput, InputRects);
    XFlush(dpy);
    return;
  }
  Window rootReturn = None, child = None;
  int x = 0, y = 0, windowX = 0, windowY = 0;
  unsigned buttons = 0;
  TRegionRects rects;
  if (XQueryPointer(dpy, Connection->Root(), &rootReturn, &child, &x, &y, &windowX, &windowY, &buttons)) {
    // Clicks are taken where the game's pixels show: the bounding shape's, without a
    // compositor.
    const int left = x - Left - InputBoxHalf, top = y - Top - InputBoxHalf, side = 2 * InputBoxHalf + 1;
    rects = Composite ? VisibleRects(Presenter->LastFrame(), left, top, side, side)
                      : BoundingShape.RectsWithin(left, top, side, side);
  }
  if (rects == InputRects) return;
  InputRects = std::move(rects);
  SetShape(ShapeInput, InputRects);
  XFlush(dpy);
}

void TX11OverlayWindow::Present(const TPixelView& picture, const TPixelView* source) {
  // The shape comes first: parts newly taken into it would otherwise show stale pixels.
  if (!Composite && Connection->Extensions().Shape) UpdateBoundingShape(picture, nullptr, source);
  Presenter->Present(picture);
  UpdateInputShape();
}

void TX11OverlayWindow::PresentChanged(const TPixelView& picture, const std::vector<TPixelArea>& changed,
                                       const TPixelView* source) {
  if (!Composite && Connection->Extensions().Shape) UpdateBoundingShape(picture, &changed, source);
  Presenter->PresentChanged(picture, changed);
  UpdateInputShape();
}

void TX11OverlayWindow::HandleEvent(const XEvent& event) {
  if (Presenter->HandleEvent(event)) return;
  if (event.type == Expose)
    Presenter->Repaint(event.xexpose.x, event.xexpose.y, event.xexpose.width, event.xexpose.height);
}

void TX11OverlayWindow::ScreenChanged() { FollowPlayArea(); }

bool TX11OverlayWindow::FollowPlayArea() {
  const TPixelArea& area = Connection->PlayArea();
  if (area.X == Left && area.Y == Top && area.Width == Width && area.Height == Height) return false;
  Left = area.X;
  Top = area.Y;
  Width = area.Width;
  Height = area.Height;
  XMoveResizeWindow(Connection->Dpy(), Handle, Left, Top, static_cast<unsigned>(Width), static_cast<unsigned>(Height));
  // What was shown belongs to the old place: nothing shows and nothing takes clicks
  // until the next frame.
  Presenter->Resize(Width, Height);
  BoundingShape.Reset();
  InputRects.clear();
  if (Connection->Extensions().Shape) {
    if (!Composite) SetShape(ShapeBounding, {});
    SetShape(ShapeInput, {});
  }
  XFlush(Connection->Dpy());
  return true;
}

void TX11OverlayWindow::CompositorChanged() {
  XVisualInfo unused{};
  const bool wanted = Connection->AlphaShown() && ChooseAlphaVisual(unused);
  if (wanted == Composite) return;
  const bool wasShown = Shown;
  DestroyNative();
  CreateNative();
  Shown = false;
  if (wasShown) Show();
}

void TX11OverlayWindow::PointerMoved() {
  if (Shown) UpdateInputShape();
}
