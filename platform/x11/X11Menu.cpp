// The menu window: default visual, override-redirect, keys and left clicks to its handlers.
#include "platform/x11/X11Menu.h"

#include <X11/XKBlib.h>
#include <X11/Xutil.h>

#include <algorithm>

#include "platform/x11/X11Display.h"
#include "platform/x11/X11Keyboard.h"

namespace {

// What the pressed key shows in each layout (XKB's groups) and which is active; a key
// with fewer groups than the active one's number wraps it round, as XKB does.
TKeySymbols KeySymbolsOf(XKeyEvent& key) {
  TKeySymbols symbols;
  const auto code = static_cast<KeyCode>(key.keycode);
  for (int group = 0; group < TKeySymbols::MostLayouts; ++group)
    for (int level = 0; level < 2; ++level) {
      symbols.Levels[group][level] = XkbKeycodeToKeysym(key.display, code, group, level);
      if (symbols.Levels[group][level] != NoSymbol) symbols.Layouts = group + 1;
    }
  const int group = XkbGroupForCoreState(key.state);
  symbols.Active = symbols.Layouts > 0 ? group % symbols.Layouts : 0;
  return symbols;
}

}  // namespace

TX11MenuWindow::TX11MenuWindow(std::shared_ptr<TX11Display> connection)
    : TX11Window(std::move(connection), TWindowKind::Menu) {
  Display* dpy = Connection->Dpy();
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.background_pixel = BlackPixel(dpy, Connection->Screen());
  attributes.border_pixel = 0;
  attributes.event_mask = ExposureMask | KeyPressMask | ButtonPressMask | FocusChangeMask;
  // One pixel until the caller places it; a window cannot be 0 x 0.
  Handle = XCreateWindow(dpy, Connection->Root(), 0, 0, 1, 1, 0, CopyFromParent, InputOutput, CopyFromParent,
                         CWOverrideRedirect | CWBackPixel | CWBorderPixel | CWEventMask, &attributes);
  NameWindow();
  UseNamedArrow();
  Presenter = std::make_unique<TX11Presenter>(*Connection, Handle, DefaultVisual(dpy, Connection->Screen()),
                                              DefaultDepth(dpy, Connection->Screen()), TPixelConversion::AsIs);
}

TX11MenuWindow::~TX11MenuWindow() {
  if (TX11Display::ConnectionLost()) return;
  if (Shown) ReturnInputFocus(*Connection, Handle, PreviousFocus);
  Presenter.reset();
  XDestroyWindow(Connection->Dpy(), Handle);
  XFlush(Connection->Dpy());
}

void TX11MenuWindow::SetBounds(int left, int top, int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  // The game places the menu on the monitor it plays on.
  const TPixelArea& area = Connection->PlayArea();
  XMoveResizeWindow(Connection->Dpy(), Handle, left + area.X, top + area.Y, static_cast<unsigned>(width), static_cast<unsigned>(height));
  if (width != Width || height != Height) {
    Width = width;
    Height = height;
    Presenter->Resize(Width, Height);
  }
  XFlush(Connection->Dpy());
}

void TX11MenuWindow::Show() {
  if (Shown) return;
  XMapRaised(Connection->Dpy(), Handle);
  Shown = true;
  // A shown menu is there to be typed into, as a window shown on top is activated.
  Focused = TakeInputFocus(*Connection, Handle, &PreviousFocus);
}

void TX11MenuWindow::Hide() {
  if (!Shown) return;
  // Before unmapping: afterwards the focus has already fallen back to the root.
  ReturnInputFocus(*Connection, Handle, PreviousFocus);
  XUnmapWindow(Connection->Dpy(), Handle);
  XFlush(Connection->Dpy());
  Shown = false;
  Focused = false;
}

void TX11MenuWindow::TakeFocus() {
  if (Shown && !Focused) Focused = TakeInputFocus(*Connection, Handle, &PreviousFocus);
}

void TX11MenuWindow::ScreenChanged() {
  if (!Shown || !OnScreenChanged) return;
  // A copy: the handler may destroy this window.
  const std::function<void()> handler = OnScreenChanged;
  handler();
}

void TX11MenuWindow::Present(const TPixelView& picture, const TPixelView*) { Presenter->Present(picture); }

void TX11MenuWindow::PresentChanged(const TPixelView& picture, const std::vector<TPixelArea>& changed,
                                    const TPixelView*) {
  Presenter->PresentChanged(picture, changed);
}

void TX11MenuWindow::HandleEvent(const XEvent& event) {
  if (Presenter->HandleEvent(event)) return;
  switch (event.type) {
    case FocusIn:
      // Focus on the root with the pointer over the menu is not focus of its own.
      Focused = event.xfocus.detail != NotifyPointer;
      return;
    case FocusOut:
      Focused = false;
      return;
    case Expose:
      Presenter->Repaint(event.xexpose.x, event.xexpose.y, event.xexpose.width, event.xexpose.height);
      return;
    case KeyPress: {
      XKeyEvent key = event.xkey;
      char text[16];
      KeySym typed = NoSymbol;
      XLookupString(&key, text, sizeof text, &typed, nullptr);
      const uint16_t code = VirtualKeyOf(typed, KeySymbolsOf(key));
      if (code == 0 || !OnKeyDown) return;
      // A copy: the handler may destroy this window, and with it OnKeyDown.
      const std::function<void(uint16_t)> handler = OnKeyDown;
      handler(code);
      return;
    }
    case ButtonPress: {
      if (event.xbutton.button != Button1 || !OnMouseDown) return;
      const std::function<void(int, int)> handler = OnMouseDown;
      handler(event.xbutton.x, event.xbutton.y);
      return;
    }
    default:
      return;
  }
}
