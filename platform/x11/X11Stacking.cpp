// The game's windows kept in front only when covered, never above a locked screen.
#include "platform/x11/X11Stacking.h"

#include <X11/extensions/scrnsaver.h>

#include <algorithm>
#include <vector>

#include "platform/x11/X11Display.h"
#include "platform/x11/X11Window.h"

namespace {

struct TBox {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool Overlaps(const TBox& other) const {
    return Left < other.Right && other.Left < Right && Top < other.Bottom && other.Top < Bottom;
  }
};

// A window's place on the screen with its border; nothing for one that shows nothing.
std::optional<TBox> ShownBox(Display* dpy, Window window) {
  XWindowAttributes attributes{};
  if (XGetWindowAttributes(dpy, window, &attributes) == 0) return std::nullopt;
  if (attributes.map_state != IsViewable || attributes.c_class == InputOnly) return std::nullopt;
  const int border = attributes.border_width;
  return TBox{attributes.x, attributes.y, attributes.x + attributes.width + 2 * border,
              attributes.y + attributes.height + 2 * border};
}

}  // namespace

TX11Stacking::TX11Stacking(TX11Display& connection) : Connection(connection) {
  Display* dpy = Connection.Dpy();
  int errorBase = 0;
  SaverExtension = XScreenSaverQueryExtension(dpy, &SaverEventBase, &errorBase) != 0;
  if (!SaverExtension) return;
  XScreenSaverSelectInput(dpy, Connection.Root(), ScreenSaverNotifyMask);
  XScreenSaverInfo info{};
  if (XScreenSaverQueryInfo(dpy, Connection.Root(), &info) != 0) SaverOn = info.state == ScreenSaverOn;
}

bool TX11Stacking::HandleEvent(const XEvent& event, uint32_t now) {
  if (SaverExtension && event.type == SaverEventBase + ScreenSaverNotify) {
    SaverOn = reinterpret_cast<const XScreenSaverNotifyEvent&>(event).state == ScreenSaverOn;
    Wanted = true;
    return true;
  }
  const Window root = Connection.Root();
  switch (event.type) {
    case ConfigureNotify:
      if (event.xconfigure.event != root || event.xconfigure.window == root) return false;
      if (!Connection.IsOwnWindow(event.xconfigure.window)) Restacked(event.xconfigure.window, now);
      return true;
    case MapNotify:
      if (event.xmap.event != root) return false;
      if (!Connection.IsOwnWindow(event.xmap.window)) Restacked(event.xmap.window, now);
      return true;
    case CirculateNotify:
      if (event.xcirculate.event != root) return false;
      if (!Connection.IsOwnWindow(event.xcirculate.window)) Restacked(event.xcirculate.window, now);
      return true;
    case UnmapNotify:
      if (event.xunmap.event != root) return false;
      Gone(event.xunmap.window);
      return true;
    case DestroyNotify:
      if (event.xdestroywindow.event != root) return false;
      Gone(event.xdestroywindow.window);
      return true;
    default:
      return false;
  }
}

void TX11Stacking::Restacked(Window window, uint32_t now) {
  Wanted = true;
  if (!Raised || Judged || window != LastCoverer) return;
  // Only its first restack after our raise tells whether it answered that raise.
  Judged = true;
  if (now - LastRaise < AnswerMs) {
    if (++Answers >= 2) Gap = std::min(Gap * 4, MaxRaiseGapMs);
  } else {
    Answers = 0;
    Gap = MinRaiseGapMs;
  }
}

void TX11Stacking::Gone(Window window) {
  // A window that went covers nothing; the one that kept itself on top is owed nothing more.
  Wanted = true;
  if (window != LastCoverer) return;
  LastCoverer = None;
  Answers = 0;
  Gap = MinRaiseGapMs;
}

std::optional<uint32_t> TX11Stacking::TimeToLook(uint32_t now) const {
  if (!Wanted) return std::nullopt;
  const uint32_t since = now - LastLook;
  return since >= MinRaiseGapMs ? 0 : MinRaiseGapMs - since;
}

void TX11Stacking::KeepOnTop(uint32_t now, const std::function<void()>& raise) {
  // Every look costs round trips: a stream of restacks is looked at a few times a second.
  if (!Wanted || now - LastLook < MinRaiseGapMs) return;
  LastLook = now;
  const TCover cover = FindCover();
  if (cover.Coverer == None) {
    Wanted = false;
    GrabbedElsewhere = LockedByWindow = false;
    return;
  }
  // Another window covers ours: looked at again until it no longer does.
  if (cover.Coverer != LastCoverer) {
    Answers = 0;
    Gap = MinRaiseGapMs;
  }
  const bool due = !Raised || now - LastRaise >= Gap;
  // The keyboard is tried only before a raise, or to see a locker let it go.
  if (due || GrabbedElsewhere) GrabbedElsewhere = ProbeKeyboard();
  LockedByWindow = GrabbedElsewhere && cover.WholeScreen;
  if (!due || GrabbedElsewhere || SaverOn) return;
  raise();
  Raised = true;
  LastRaise = now;
  LastCoverer = cover.Coverer;
  Judged = false;
}

TX11Stacking::TCover TX11Stacking::FindCover() {
  Display* dpy = Connection.Dpy();
  Window root = None, parent = None;
  Window* children = nullptr;
  unsigned count = 0;
  if (XQueryTree(dpy, Connection.Root(), &root, &parent, &children, &count) == 0) return {};
  const std::vector<Window> stack(children, children + count);
  if (children != nullptr) XFree(children);

  // A window may go while it is looked at: its error is expected.
  TX11ErrorTrap trap(dpy);
  const TPixelArea screen{0, 0, DisplayWidth(dpy, Connection.Screen()), DisplayHeight(dpy, Connection.Screen())};
  std::vector<TBox> ours;
  TCover cover;
  // Bottom to top: a window of another program covers ours when it overlaps one below it.
  for (const Window window : stack) {
    const bool own = Connection.IsOwnWindow(window);
    if (!own && ours.empty()) continue;
    if (own && Connection.FindWindow(window) == nullptr) continue;  // the drawn gun, the message box
    const std::optional<TBox> box = ShownBox(dpy, window);
    if (!box) continue;
    if (own) {
      ours.push_back(*box);
      continue;
    }
    if (std::none_of(ours.begin(), ours.end(), [&](const TBox& mine) { return mine.Overlaps(*box); })) continue;
    cover.Coverer = window;
    cover.WholeScreen = box->Left <= screen.X && box->Top <= screen.Y && box->Right >= screen.Width &&
                        box->Bottom >= screen.Height;
  }
  return cover;
}

bool TX11Stacking::ProbeKeyboard() {
  Display* dpy = Connection.Dpy();
  const int result = XGrabKeyboard(dpy, Connection.Root(), False, GrabModeAsync, GrabModeAsync, CurrentTime);
  if (result == GrabSuccess) {
    XUngrabKeyboard(dpy, CurrentTime);
    XFlush(dpy);
    return false;
  }
  return result == AlreadyGrabbed || result == GrabFrozen;
}
