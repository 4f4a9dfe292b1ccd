// What the back end's windows share: their X window, registration for events, focus.
#pragma once

#include <X11/Xlib.h>

#include <memory>

#include "platform/Platform.h"
#include "platform/x11/X11Presenter.h"

class TX11Display;

class TX11Window : public TPlatformWindow {
 public:
  TX11Window(std::shared_ptr<TX11Display> connection, TWindowKind kind);
  ~TX11Window() override;
  TX11Window(const TX11Window&) = delete;
  TX11Window& operator=(const TX11Window&) = delete;

  Window Id() const { return Handle; }
  TWindowKind Kind() const { return WindowKind; }
  bool IsVisible() const override { return Shown; }

  // One event addressed to this window. It may run a handler, and a handler may
  // destroy the window: nothing may touch the window after the handler returns.
  virtual void HandleEvent(const XEvent& event) = 0;
  // Puts a shown window above all others (without taking the focus).
  void Raise();
  // The screen or its monitors changed; the monitor played on may have moved or changed size.
  virtual void ScreenChanged();
  // A compositing manager started or stopped.
  virtual void CompositorChanged();
  // The pointer moved somewhere on the screen.
  virtual void PointerMoved();

 protected:
  // Names the window for window managers and compositor rules.
  void NameWindow();
  // Gives the window the theme's arrow, loaded by name: the root's cursor may carry no
  // name (a bare server's has none), and only a named cursor shows the gun over us.
  void UseNamedArrow();

  std::shared_ptr<TX11Display> Connection;
  TWindowKind WindowKind;
  Window Handle = None;
  bool Shown = false;
  std::unique_ptr<TX11Presenter> Presenter;
};

// Marks Window as the program's own (class "blastover", for window managers, compositor
// rules and the tests) and, when Title is given, names it.
void NameOwnWindow(Display* dpy, Window window, const char* title);

// Gives Window the keyboard focus, retrying every 10 ms for about a second until
// the server reports it (a window being mapped cannot take it yet). The focus
// before the call is stored in Previous when it was not one of our windows.
bool TakeInputFocus(TX11Display& connection, Window window, Window* previous = nullptr);
// Gives the focus back to Previous (a window or PointerRoot) if Window still has it.
void ReturnInputFocus(TX11Display& connection, Window window, Window previous);
