// Global pointer, buttons and Escape: present state from the server, quick presses from XInput 2.
#include "platform/x11/X11Input.h"

#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>

#include <algorithm>

#include "platform/x11/X11Display.h"

namespace {

constexpr unsigned LeftBit = 1, RightBit = 2, MiddleBit = 4;

// The buttons as applications see them, numbered as X numbers them: 1 left, 2 middle, 3 right.
unsigned BitOfButton(int button) {
  switch (button) {
    case 1: return LeftBit;
    case 2: return MiddleBit;
    case 3: return RightBit;
    default: return 0;
  }
}

}  // namespace

TX11Input::TX11Input(TX11Display& connection) : Connection(connection) {
  Display* dpy = Connection.Dpy();
  EscapeKey = XKeysymToKeycode(dpy, XK_Escape);
  ReadPointerMapping();
  if (!Connection.Extensions().XInput2) return;
  unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
  XISetMask(bits, XI_RawButtonPress);
  XISetMask(bits, XI_RawKeyPress);
  XISetMask(bits, XI_RawMotion);
  XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
  XISelectEvents(dpy, Connection.Root(), &mask, 1);
  XFlush(dpy);
}

void TX11Input::ReadPointerMapping() {
  // As many entries as the protocol allows buttons; the server fills in those it has.
  unsigned char mapping[256] = {};
  const int count = XGetPointerMapping(Connection.Dpy(), mapping, sizeof mapping);
  PointerMapping.assign(mapping, mapping + std::max(count, 0));
}

int TX11Input::LogicalButton(int physical) const {
  if (physical < 1 || static_cast<size_t>(physical) > PointerMapping.size()) return physical;
  return PointerMapping[static_cast<size_t>(physical) - 1];
}

unsigned TX11Input::PrimaryPhysicalButton() const {
  for (size_t i = 0; i < PointerMapping.size(); ++i)
    if (PointerMapping[i] == Button1) return static_cast<unsigned>(i + 1);
  return Button1;
}

bool TX11Input::HandleEvent(XEvent& event) {
  // Sent to every client unasked; XRefreshKeyboardMapping is for the keyboard's kind.
  if (event.type == MappingNotify && event.xmapping.request == MappingPointer) {
    ReadPointerMapping();
    return true;
  }
  if (event.type != GenericEvent || !Connection.Extensions().XInput2 ||
      event.xcookie.extension != Connection.Extensions().XInputOpcode)
    return false;
  Display* dpy = Connection.Dpy();
  if (!XGetEventData(dpy, &event.xcookie)) return true;
  const auto* raw = static_cast<const XIRawEvent*>(event.xcookie.data);
  switch (event.xcookie.evtype) {
    case XI_RawButtonPress:
      LatchedButtons |= BitOfButton(LogicalButton(raw->detail));
      break;
    case XI_RawKeyPress:
      if (raw->detail == EscapeKey) LatchedEscape = true;
      break;
    case XI_RawMotion:
      Moved = true;
      break;
    default:
      break;
  }
  XFreeEventData(dpy, &event.xcookie);
  return true;
}

bool TX11Input::TakePointerMoved() {
  const bool moved = Moved;
  Moved = false;
  return moved;
}

Bool TX11Input::IsRawEvent(Display*, XEvent* event, XPointer self) {
  const auto* input = reinterpret_cast<const TX11Input*>(self);
  return event->type == GenericEvent && event->xcookie.extension == input->Connection.Extensions().XInputOpcode;
}

void TX11Input::TakeQueuedRawEvents() {
  if (!Connection.Extensions().XInput2) return;
  XEvent event;
  while (XCheckIfEvent(Connection.Dpy(), &event, IsRawEvent, reinterpret_cast<XPointer>(this))) HandleEvent(event);
}

bool TX11Input::PointerPos(int& x, int& y) {
  // The game asks once a frame and once a gun tick, so every answer is a round trip.
  Window root = None, child = None;
  int rootX = 0, rootY = 0, windowX = 0, windowY = 0;
  unsigned mask = 0;
  if (!XQueryPointer(Connection.Dpy(), Connection.Root(), &root, &child, &rootX, &rootY, &windowX, &windowY, &mask))
    return false;
  x = rootX;
  y = rootY;
  return true;
}

unsigned TX11Input::HeldButtons() {
  Window root = None, child = None;
  int rootX = 0, rootY = 0, windowX = 0, windowY = 0;
  unsigned mask = 0;
  // The query is a round trip, so every raw event of a press before it is queued now.
  XQueryPointer(Connection.Dpy(), Connection.Root(), &root, &child, &rootX, &rootY, &windowX, &windowY, &mask);
  unsigned held = 0;
  if (mask & Button1Mask) held |= LeftBit;
  if (mask & Button3Mask) held |= RightBit;
  if (mask & Button2Mask) held |= MiddleBit;
  return held;
}

bool TX11Input::HeldEscape() {
  char keys[32] = {};
  XQueryKeymap(Connection.Dpy(), keys);
  return EscapeKey != 0 && (keys[EscapeKey / 8] & (1 << (EscapeKey % 8))) != 0;
}

unsigned TX11Input::MouseButtonsDown() {
  const unsigned held = HeldButtons();
  TakeQueuedRawEvents();
  // A button held since the presses were forgotten counts again once it was let go.
  StaleButtons &= held;
  const unsigned result = (held & ~StaleButtons) | LatchedButtons;
  LatchedButtons = 0;
  return result;
}

bool TX11Input::EscapeHeld() {
  const bool held = HeldEscape();
  TakeQueuedRawEvents();
  StaleEscape = StaleEscape && held;
  const bool result = (held && !StaleEscape) || LatchedEscape;
  LatchedEscape = false;
  return result;
}

void TX11Input::ForgetPresses() {
  StaleButtons = HeldButtons();
  StaleEscape = HeldEscape();
  TakeQueuedRawEvents();
  LatchedButtons = 0;
  LatchedEscape = false;
}
