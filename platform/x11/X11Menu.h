// The opaque top-most menu window, which takes the keyboard focus.
#pragma once

#include "platform/x11/X11Window.h"

class TX11MenuWindow : public TX11Window {
 public:
  explicit TX11MenuWindow(std::shared_ptr<TX11Display> connection);
  ~TX11MenuWindow() override;

  void SetBounds(int left, int top, int width, int height) override;
  void Show() override;
  void Hide() override;
  void Present(const TPixelView& picture, const TPixelView* source = nullptr) override;
  void PresentChanged(const TPixelView& picture, const std::vector<TPixelArea>& changed,
                      const TPixelView* source = nullptr) override;

  void HandleEvent(const XEvent& event) override;
  // A shown menu is placed anew by its owner.
  void ScreenChanged() override;
  // Gives the shown menu the keyboard focus, unless it has it.
  void TakeFocus();

 private:
  int Width = 0;
  int Height = 0;
  Window PreviousFocus = None;  // where the focus goes back to when the menu hides
  // As last reported by the server: while it holds, bringing the menu to the front
  // needs no round trip to ask where the focus is.
  bool Focused = false;
};
