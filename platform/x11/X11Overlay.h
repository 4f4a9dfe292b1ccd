// The full-screen game window whose black pixels are see-through and pass clicks.
#pragma once

#include <X11/extensions/shapeconst.h>

#include "platform/x11/VisibleRegion.h"
#include "platform/x11/X11Window.h"

// What the game does not cover becomes see-through in one of two ways, chosen when
// the window is made:
// - with a compositing manager, the window has a 32-bit visual and takes the frame's
//   premultiplied ARGB as it is, so sprite edges fade into what lies beneath;
// - without one, alpha would be ignored, so the window's bounding shape is cut down
//   to what the game draws, their colours divided by the coverage (looked for only in
//   the rows a frame changed). Given the playfield a frame was enlarged from, the
//   shape takes the playfield's pixels as they show on screen: each screen pixel
//   belongs to it when the playfield pixel its centre falls on is drawn. Its edges
//   then step with the playfield's pixels, and it has several times fewer rectangles
//   than one cut pixel by pixel: every change of the shape costs the X server in
//   proportion to them, and so does every exposure of a window beneath.
// The window covers the monitor played on (TX11Display::PlayArea), chosen anew each
// time the window is shown. Either way the input shape holds only the shape's pixels,
// and only near the pointer:
// that is the one place a click can come from, and a small region is cheap to send
// every frame. A compositor starting or stopping means a new window, as a window's
// visual cannot change.
class TX11OverlayWindow : public TX11Window {
 public:
  explicit TX11OverlayWindow(std::shared_ptr<TX11Display> connection);
  ~TX11OverlayWindow() override;

  void SetBounds(int left, int top, int width, int height) override;
  void Show() override;
  void Hide() override;
  void Present(const TPixelView& picture, const TPixelView* source = nullptr) override;
  void PresentChanged(const TPixelView& picture, const std::vector<TPixelArea>& changed,
                      const TPixelView* source = nullptr) override;

  void HandleEvent(const XEvent& event) override;
  void ScreenChanged() override;
  void CompositorChanged() override;
  void PointerMoved() override;

  bool Composited() const { return Composite; }

 private:
  void CreateNative();
  void DestroyNative();
  bool ChooseAlphaVisual(XVisualInfo& info);
  // Operation and Ordering as the SHAPE extension names them; by default the rects,
  // banded, become the whole shape of Kind.
  void SetShape(int kind, const TRegionRects& rects, int operation = ShapeSet, int ordering = YXBanded);
  // Picture differs from the last frame only inside Changed; null: anywhere.
  void UpdateBoundingShape(const TPixelView& picture, const std::vector<TPixelArea>* changed, const TPixelView* source);
  void UpdateInputShape();
  // Takes the place and size of the monitor played on; false when it has them already.
  bool FollowPlayArea();

  bool Composite = false;
  Colormap AlphaColormap = None;
  int Left = 0;  // in root-window pixels
  int Top = 0;
  int Width = 0;
  int Height = 0;
  TShapeRows BoundingShape;
  TRegionRects InputRects;
};
