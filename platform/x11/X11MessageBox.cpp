// The message box: an override-redirect window showing the shared picture of a title strip,
// the text in the desktop's fonts and an OK button.
#include "platform/x11/X11MessageBox.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <vector>

#include "platform/fontconfig/MessageBoxPicture.h"
#include "platform/x11/X11Display.h"
#include "platform/x11/X11Guard.h"
#include "platform/x11/X11Presenter.h"
#include "platform/x11/X11Window.h"

namespace {

constexpr int IdlePollMs = 250;

class TX11MessageBox {
 public:
  TX11MessageBox(TX11Display& connection, const std::string& caption, const std::string& text)
      : Connection(connection),
        Dpy(connection.Dpy()),
        Caption(caption),
        // On the monitor the game plays on.
        Picture(caption, text, connection.PlayArea().Width - 20, connection.PlayArea().Height - 20) {
    if (!Picture.WhyNoFonts.empty()) Connection.Warn("message boxes show ASCII only: " + Picture.WhyNoFonts);
    CreateWindow();
  }

  ~TX11MessageBox() {
    if (TX11Display::ConnectionLost()) return;
    Connection.RemoveExtraOwnWindow(Handle);
    ReturnInputFocus(Connection, Handle, PreviousFocus);
    Presenter.reset();
    XDestroyWindow(Dpy, Handle);
    XFlush(Dpy);
  }

  TX11MessageBox(const TX11MessageBox&) = delete;
  TX11MessageBox& operator=(const TX11MessageBox&) = delete;

  void Run() {
    int revert = 0;
    XGetInputFocus(Dpy, &PreviousFocus, &revert);
    XMapRaised(Dpy, Handle);
    TakeInputFocus(Connection, Handle);
    while (!Closed) {
      XEvent event;
      // Only the box's events (and raw input, which is dropped) leave the queue; the
      // rest stay for the program's own message processing afterwards.
      while (!Closed && XCheckIfEvent(Dpy, &event, IsForBox, reinterpret_cast<XPointer>(this))) HandleEvent(event);
      if (Closed) break;
      pollfd descriptors[] = {{ConnectionNumber(Dpy), POLLIN, 0}, {TX11Guard::StopDescriptor(), POLLIN, 0}};
      poll(descriptors, 2, IdlePollMs);
      TX11Guard::StopIfSignalled();
    }
  }

 private:
  void CreateWindow() {
    const int screen = Connection.Screen();
    const TPixelArea& area = Connection.PlayArea();
    const int left = area.X + (area.Width - Picture.Width) / 2, top = area.Y + (area.Height - Picture.Height) / 2;
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = BlackPixel(Dpy, screen);
    attributes.border_pixel = BlackPixel(Dpy, screen);
    attributes.event_mask = ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask;
    Handle = XCreateWindow(Dpy, Connection.Root(), left, top, static_cast<unsigned>(Picture.Width),
                           static_cast<unsigned>(Picture.Height), 1, CopyFromParent, InputOutput, CopyFromParent,
                           CWOverrideRedirect | CWBackPixel | CWBorderPixel | CWEventMask, &attributes);
    NameOwnWindow(Dpy, Handle, Caption.c_str());
    Presenter = std::make_unique<TX11Presenter>(Connection, Handle, DefaultVisual(Dpy, screen), DefaultDepth(Dpy, screen),
                                                TPixelConversion::AsIs);
    Presenter->Resize(Picture.Width, Picture.Height);
    Connection.AddExtraOwnWindow(Handle);
  }

  bool OnButton(int x, int y) const {
    const TPixelArea button = Picture.Button();
    return x >= button.X && x < button.X + button.Width && y >= button.Y && y < button.Y + button.Height;
  }

  void HandleEvent(XEvent& event) {
    if (event.type == GenericEvent || Presenter->HandleEvent(event)) return;
    switch (event.type) {
      case Expose:
        if (!Presented) {
          Presenter->Present(Picture.View());
          Presented = true;
        } else {
          Presenter->Repaint(event.xexpose.x, event.xexpose.y, event.xexpose.width, event.xexpose.height);
        }
        XFlush(Dpy);
        break;
      case ButtonPress:
        ButtonArmed = event.xbutton.button == Button1 && OnButton(event.xbutton.x, event.xbutton.y);
        break;
      case ButtonRelease:
        if (event.xbutton.button == Button1 && ButtonArmed && OnButton(event.xbutton.x, event.xbutton.y)) Closed = true;
        ButtonArmed = false;
        break;
      case KeyPress: {
        const KeySym key = XLookupKeysym(&event.xkey, 0);
        if (key == XK_Return || key == XK_KP_Enter || key == XK_Escape || key == XK_space) Closed = true;
        break;
      }
      default:
        break;
    }
  }

  // Raw input while the box is up belongs to the box: left queued, a click on OK
  // would reach the game as a shot once the box is gone.
  static Bool IsForBox(Display*, XEvent* event, XPointer self) {
    const auto* box = reinterpret_cast<const TX11MessageBox*>(self);
    if (event->type == GenericEvent)
      return box->Connection.Extensions().XInput2 && event->xcookie.extension == box->Connection.Extensions().XInputOpcode;
    return event->xany.window == box->Handle;
  }

  TX11Display& Connection;
  Display* Dpy;
  std::string Caption;
  TMessageBoxPicture Picture;
  Window Handle = None;
  std::unique_ptr<TX11Presenter> Presenter;
  bool Presented = false;
  Window PreviousFocus = None;
  bool ButtonArmed = false;
  bool Closed = false;
};

}  // namespace

void ShowX11MessageBox(TX11Display& connection, const std::string& caption, const std::string& text) {
  TX11MessageBox box(connection, caption, text);
  box.Run();
}
