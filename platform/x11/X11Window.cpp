// The common part of the overlay and menu windows, and keyboard focus.
#include "platform/x11/X11Window.h"

#include <X11/Xcursor/Xcursor.h>
#include <X11/Xutil.h>

#include <chrono>
#include <thread>

#include "platform/x11/X11Display.h"

TX11Window::TX11Window(std::shared_ptr<TX11Display> connection, TWindowKind kind)
    : Connection(std::move(connection)), WindowKind(kind) {
  Connection->Register(this);
}

TX11Window::~TX11Window() { Connection->Unregister(this); }

void TX11Window::Raise() {
  if (!Shown || Handle == None) return;
  XRaiseWindow(Connection->Dpy(), Handle);
}

void TX11Window::ScreenChanged() {}

void TX11Window::CompositorChanged() {}

void TX11Window::PointerMoved() {}

void NameOwnWindow(Display* dpy, Window window, const char* title) {
  XClassHint hint;
  char name[] = "blastover";
  char className[] = "Blastover";
  hint.res_name = name;
  hint.res_class = className;
  XSetClassHint(dpy, window, &hint);
  if (title != nullptr) XStoreName(dpy, window, title);
}

void TX11Window::NameWindow() { NameOwnWindow(Connection->Dpy(), Handle, "Blastover"); }

void TX11Window::UseNamedArrow() {
  Display* dpy = Connection->Dpy();
  const Cursor arrow = XcursorLibraryLoadCursor(dpy, "left_ptr");
  if (arrow == None) return;
  XDefineCursor(dpy, Handle, arrow);
  // The window holds the cursor now.
  XFreeCursor(dpy, arrow);
}

bool TakeInputFocus(TX11Display& connection, Window window, Window* previous) {
  constexpr int FocusTries = 100;
  constexpr auto RetryPause = std::chrono::milliseconds(10);
  Display* dpy = connection.Dpy();
  Window focus = None;
  int revert = 0;
  XGetInputFocus(dpy, &focus, &revert);
  if (focus == window) return true;
  if (previous != nullptr && !connection.IsOwnWindow(focus)) *previous = focus;
  for (int attempt = 0; attempt < FocusTries; ++attempt) {
    {
      // BadMatch while the window is not viewable yet: that is what the retries are for.
      TX11ErrorTrap trap(dpy);
      XSetInputFocus(dpy, window, RevertToParent, CurrentTime);
    }
    XGetInputFocus(dpy, &focus, &revert);
    if (focus == window) return true;
    std::this_thread::sleep_for(RetryPause);
  }
  connection.Warn("a window of the program could not take the keyboard focus");
  return false;
}

void ReturnInputFocus(TX11Display& connection, Window window, Window previous) {
  Display* dpy = connection.Dpy();
  Window focus = None;
  int revert = 0;
  XGetInputFocus(dpy, &focus, &revert);
  if (focus != window || previous == None) return;
  // The window that had the focus may have gone meanwhile.
  TX11ErrorTrap trap(dpy);
  XSetInputFocus(dpy, previous, RevertToPointerRoot, CurrentTime);
}
