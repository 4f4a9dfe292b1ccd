// The message box: an override-redirect window with a title strip, the text and an OK button.
#include "platform/x11/X11MessageBox.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <vector>

#include "platform/x11/X11Display.h"
#include "platform/x11/X11Guard.h"
#include "platform/x11/X11Window.h"

namespace {

constexpr int Margin = 12;
constexpr int ButtonWidth = 80;
constexpr int SmallestWidth = 240;
constexpr int IdlePollMs = 250;

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (const char c : text) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else if (c != '\r') {
      line += c;
    }
  }
  lines.push_back(line);
  return lines;
}

class TX11MessageBox {
 public:
  TX11MessageBox(TX11Display& connection, const std::string& caption, const std::string& text)
      : Connection(connection), Dpy(connection.Dpy()), Caption(caption), Lines(SplitLines(text)) {
    LoadFont();
    Layout();
    CreateWindow();
  }

  ~TX11MessageBox() {
    if (TX11Display::ConnectionLost()) return;
    Connection.RemoveExtraOwnWindow(Handle);
    ReturnInputFocus(Connection, Handle, PreviousFocus);
    XFreeGC(Dpy, Context);
    XDestroyWindow(Dpy, Handle);
    if (OwnFont) XFreeFont(Dpy, Font);
    else if (Font != nullptr) XFreeFontInfo(nullptr, Font, 1);
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
  void LoadFont() {
    for (const char* name : {"-misc-fixed-medium-r-normal--13-*-*-*-*-*-iso8859-1", "fixed"}) {
      Font = XLoadQueryFont(Dpy, name);
      if (Font != nullptr) {
        OwnFont = true;
        return;
      }
    }
    // No font at all by those names: draw with the server's default font of the GC.
    Font = XQueryFont(Dpy, XGContextFromGC(DefaultGC(Dpy, Connection.Screen())));
  }

  int TextWidth(const std::string& text) const {
    if (Font == nullptr) return static_cast<int>(text.size()) * 8;
    return XTextWidth(Font, text.c_str(), static_cast<int>(text.size()));
  }

  void Layout() {
    Ascent = Font != nullptr ? Font->ascent : 11;
    LineHeight = Font != nullptr ? Font->ascent + Font->descent : 14;
    TitleHeight = LineHeight + 8;
    ButtonHeight = LineHeight + 10;
    int widest = std::max(TextWidth(Caption), ButtonWidth);
    for (const std::string& line : Lines) widest = std::max(widest, TextWidth(line));
    // On the monitor the game plays on.
    const TPixelArea& area = Connection.PlayArea();
    const int screenWidth = area.Width;
    const int screenHeight = area.Height;
    Width = std::clamp(widest + 2 * Margin, SmallestWidth, std::max(screenWidth - 20, SmallestWidth));
    Height = TitleHeight + Margin + static_cast<int>(Lines.size()) * LineHeight + Margin + ButtonHeight + Margin;
    Height = std::min(Height, std::max(screenHeight - 20, 100));
    Left = area.X + (screenWidth - Width) / 2;
    Top = area.Y + (screenHeight - Height) / 2;
    ButtonLeft = (Width - ButtonWidth) / 2;
    ButtonTop = Height - Margin - ButtonHeight;
  }

  unsigned long NamedColour(const char* name, unsigned long fallback) {
    XColor colour, exact;
    if (XAllocNamedColor(Dpy, DefaultColormap(Dpy, Connection.Screen()), name, &colour, &exact)) return colour.pixel;
    return fallback;
  }

  void CreateWindow() {
    const int screen = Connection.Screen();
    Face = NamedColour("gray85", WhitePixel(Dpy, screen));
    Title = NamedColour("navy", BlackPixel(Dpy, screen));
    Ink = BlackPixel(Dpy, screen);
    Paper = WhitePixel(Dpy, screen);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = Face;
    attributes.border_pixel = Ink;
    attributes.event_mask = ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask;
    Handle = XCreateWindow(Dpy, Connection.Root(), Left, Top, static_cast<unsigned>(Width),
                           static_cast<unsigned>(Height), 1, CopyFromParent, InputOutput, CopyFromParent,
                           CWOverrideRedirect | CWBackPixel | CWBorderPixel | CWEventMask, &attributes);
    NameOwnWindow(Dpy, Handle, Caption.c_str());
    Context = XCreateGC(Dpy, Handle, 0, nullptr);
    if (OwnFont) XSetFont(Dpy, Context, Font->fid);
    Connection.AddExtraOwnWindow(Handle);
  }

  void DrawText(int x, int baseline, const std::string& text) {
    XDrawString(Dpy, Handle, Context, x, baseline, text.c_str(), static_cast<int>(text.size()));
  }

  void Draw() {
    XSetForeground(Dpy, Context, Title);
    XFillRectangle(Dpy, Handle, Context, 0, 0, static_cast<unsigned>(Width), static_cast<unsigned>(TitleHeight));
    XSetForeground(Dpy, Context, Paper);
    DrawText(Margin / 2, (TitleHeight - LineHeight) / 2 + Ascent, Caption);
    XSetForeground(Dpy, Context, Ink);
    int baseline = TitleHeight + Margin + Ascent;
    for (const std::string& line : Lines) {
      DrawText(Margin, baseline, line);
      baseline += LineHeight;
    }
    XSetForeground(Dpy, Context, Paper);
    XFillRectangle(Dpy, Handle, Context, ButtonLeft, ButtonTop, ButtonWidth, static_cast<unsigned>(ButtonHeight));
    XSetForeground(Dpy, Context, Ink);
    XDrawRectangle(Dpy, Handle, Context, ButtonLeft, ButtonTop, ButtonWidth - 1,
                   static_cast<unsigned>(ButtonHeight - 1));
    const std::string ok = "OK";
    DrawText(ButtonLeft + (ButtonWidth - TextWidth(ok)) / 2, ButtonTop + (ButtonHeight - LineHeight) / 2 + Ascent, ok);
    XFlush(Dpy);
  }

  bool OnButton(int x, int y) const {
    return x >= ButtonLeft && x < ButtonLeft + ButtonWidth && y >= ButtonTop && y < ButtonTop + ButtonHeight;
  }

  void HandleEvent(XEvent& event) {
    if (event.type == GenericEvent) return;
    switch (event.type) {
      case Expose:
        if (event.xexpose.count == 0) Draw();
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
  std::vector<std::string> Lines;
  XFontStruct* Font = nullptr;
  bool OwnFont = false;
  int Ascent = 0, LineHeight = 0, TitleHeight = 0, ButtonHeight = 0;
  int Left = 0, Top = 0, Width = 0, Height = 0, ButtonLeft = 0, ButtonTop = 0;
  unsigned long Face = 0, Title = 0, Ink = 0, Paper = 0;
  Window Handle = None;
  GC Context = nullptr;
  Window PreviousFocus = None;
  bool ButtonArmed = false;
  bool Closed = false;
};

}  // namespace

void ShowX11MessageBox(TX11Display& connection, const std::string& caption, const std::string& text) {
  TX11MessageBox box(connection, caption, text);
  box.Run();
}
