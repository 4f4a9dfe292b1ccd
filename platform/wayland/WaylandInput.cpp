// The seat's listeners: pointer position and buttons, keys, the focus, and what goes to the windows.
#include "platform/wayland/WaylandInput.h"

#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <cmath>
#include <utility>

#include "platform/wayland/WaylandCursor.h"
#include "platform/wayland/WaylandDisplay.h"
#include "platform/wayland/WaylandKeyboard.h"
#include "platform/wayland/WaylandWindow.h"

namespace {

constexpr unsigned LeftBit = 1, RightBit = 2, MiddleBit = 4;

unsigned BitOfButton(uint32_t button) {
  switch (button) {
    case BTN_LEFT: return LeftBit;
    case BTN_RIGHT: return RightBit;
    case BTN_MIDDLE: return MiddleBit;
    default: return 0;
  }
}

TWaylandInput& Of(void* data) { return *static_cast<TWaylandInput*>(data); }

void SeatCapabilities(void* data, wl_seat*, uint32_t capabilities) { Of(data).Capabilities(capabilities); }
void SeatName(void*, wl_seat*, const char*) {}
const wl_seat_listener SeatListener = {SeatCapabilities, SeatName};

void PointerEnter(void* data, wl_pointer*, uint32_t serial, wl_surface* surface, wl_fixed_t x, wl_fixed_t y) {
  Of(data).PointerEnter(serial, surface, wl_fixed_to_double(x), wl_fixed_to_double(y));
}
void PointerLeave(void* data, wl_pointer*, uint32_t, wl_surface* surface) { Of(data).PointerLeave(surface); }
void PointerMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
  Of(data).PointerMotion(wl_fixed_to_double(x), wl_fixed_to_double(y));
}
void PointerButton(void* data, wl_pointer*, uint32_t, uint32_t, uint32_t button, uint32_t state) {
  Of(data).PointerButton(button, state == WL_POINTER_BUTTON_STATE_PRESSED);
}
void PointerAxis(void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {}
void PointerFrame(void*, wl_pointer*) {}
void PointerAxisSource(void*, wl_pointer*, uint32_t) {}
void PointerAxisStop(void*, wl_pointer*, uint32_t, uint32_t) {}
void PointerAxisDiscrete(void*, wl_pointer*, uint32_t, int32_t) {}
void PointerAxisValue120(void*, wl_pointer*, uint32_t, int32_t) {}
const wl_pointer_listener PointerListener = {PointerEnter,      PointerLeave,    PointerMotion,       PointerButton,
                                             PointerAxis,       PointerFrame,    PointerAxisSource,   PointerAxisStop,
                                             PointerAxisDiscrete, PointerAxisValue120};

TWaylandKeyboard* KeysOf(void* data);

void KeyboardKeymap(void* data, wl_keyboard*, uint32_t, int32_t file, uint32_t size) { KeysOf(data)->UseKeymap(file, size); }
void KeyboardEnter(void* data, wl_keyboard*, uint32_t, wl_surface* surface, wl_array*) { Of(data).KeyboardEnter(surface); }
void KeyboardLeave(void* data, wl_keyboard*, uint32_t, wl_surface* surface) { Of(data).KeyboardLeave(surface); }
void KeyboardKey(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
  Of(data).Key(key, state == WL_KEYBOARD_KEY_STATE_PRESSED);
}
void KeyboardModifiers(void* data, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t latched, uint32_t locked,
                       uint32_t group) {
  KeysOf(data)->Modifiers(depressed, latched, locked, group);
}
void KeyboardRepeat(void* data, wl_keyboard*, int32_t rate, int32_t delay) { KeysOf(data)->RepeatInfo(rate, delay); }
const wl_keyboard_listener KeyboardListener = {KeyboardKeymap, KeyboardEnter,     KeyboardLeave,
                                               KeyboardKey,    KeyboardModifiers, KeyboardRepeat};

}  // namespace

namespace {
TWaylandKeyboard* KeysOf(void* data) { return &Of(data).Keyboard(); }
}  // namespace

TWaylandInput::TWaylandInput(TWaylandDisplay& connection)
    : Connection(connection),
      Pointer(std::make_unique<TWaylandCursor>(connection)),
      Keys(std::make_unique<TWaylandKeyboard>()) {}

TWaylandInput::~TWaylandInput() {
  Pointer.reset();
  if (PointerDevice != nullptr) wl_pointer_release(PointerDevice);
  if (KeyboardDevice != nullptr) wl_keyboard_release(KeyboardDevice);
}

void TWaylandInput::UseSeat(wl_seat* seat) {
  Seat = seat;
  wl_seat_add_listener(Seat, &SeatListener, this);
}

void TWaylandInput::Capabilities(uint32_t capabilities) {
  const bool pointer = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
  const bool keyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
  if (pointer && PointerDevice == nullptr) {
    PointerDevice = wl_seat_get_pointer(Seat);
    wl_pointer_add_listener(PointerDevice, &PointerListener, this);
    Pointer->UsePointer(PointerDevice);
  } else if (!pointer && PointerDevice != nullptr) {
    Pointer->UsePointer(nullptr);
    wl_pointer_release(PointerDevice);
    PointerDevice = nullptr;
  }
  if (keyboard && KeyboardDevice == nullptr) {
    KeyboardDevice = wl_seat_get_keyboard(Seat);
    wl_keyboard_add_listener(KeyboardDevice, &KeyboardListener, this);
  } else if (!keyboard && KeyboardDevice != nullptr) {
    wl_keyboard_release(KeyboardDevice);
    KeyboardDevice = nullptr;
  }
}

void TWaylandInput::PointerEnter(uint32_t serial, wl_surface* surface, double x, double y) {
  PointerSurface = surface;
  Pointer->Entered(serial, Connection.FindWindow(surface));
  PointerMotion(x, y);
}

void TWaylandInput::PointerLeave(wl_surface* surface) {
  if (surface != PointerSurface) return;
  PointerSurface = nullptr;
  // Buttons released elsewhere would never be reported: nothing counts as held now.
  HeldButtons = 0;
  Pointer->Entered(0, nullptr);
}

void TWaylandInput::PointerMotion(double x, double y) {
  SurfaceX = x;
  SurfaceY = y;
  const TWaylandWindow* window = Connection.FindWindow(PointerSurface);
  if (window == nullptr) return;
  const double scale = window->Scale();
  ScreenX = window->Left() + static_cast<int>(std::floor(x * scale));
  ScreenY = window->Top() + static_cast<int>(std::floor(y * scale));
  PointerKnown = true;
}

void TWaylandInput::PointerButton(uint32_t button, bool pressed) {
  const unsigned bit = BitOfButton(button);
  if (!pressed) {
    HeldButtons &= ~bit;
    return;
  }
  HeldButtons |= bit;
  LatchedButtons |= bit;
  TWaylandWindow* window = Connection.FindWindow(PointerSurface);
  if (bit != LeftBit || window == nullptr) return;
  window->Clicked();
  const double scale = window->Scale();
  Queued.push_back({window, false, 0, static_cast<int>(std::floor(SurfaceX * scale)),
                    static_cast<int>(std::floor(SurfaceY * scale))});
}

void TWaylandInput::KeyboardEnter(wl_surface* surface) {
  KeyboardSurface = surface;
  // Left and entered again in one go: another window was given the keyboard and the
  // compositor took it back at once, as sway before 1.9 does for any layer surface that
  // may take the keyboard, on demand or not.
  if (surface != nullptr && surface == std::exchange(JustLeft, nullptr))
    if (TWaylandWindow* window = Connection.FindWindow(surface)) window->KeyboardPulledBack();
}

void TWaylandInput::KeyboardLeave(wl_surface* surface) {
  if (surface != KeyboardSurface) return;
  KeyboardSurface = nullptr;
  JustLeft = surface;
  EscapeDown = false;
  Keys->StopRepeat();
}

void TWaylandInput::Key(uint32_t key, bool pressed) {
  if (Keys->IsEscape(key)) {
    EscapeDown = pressed;
    LatchedEscape = LatchedEscape || pressed;
  }
  if (!pressed) {
    Keys->Released(key);
    return;
  }
  Keys->Pressed(key, WaylandTickCount());
  const TWaylandWindow* window = Connection.FindWindow(KeyboardSurface);
  const uint16_t code = Keys->VirtualKey(key);
  if (window != nullptr && code != 0) Queued.push_back({window, true, code, 0, 0});
}

void TWaylandInput::SurfaceGone(wl_surface* surface) {
  if (surface == JustLeft) JustLeft = nullptr;
  if (surface == PointerSurface) PointerLeave(surface);
  if (surface == KeyboardSurface) KeyboardLeave(surface);
  std::erase_if(Queued, [this, surface](const TWindowEvent& event) { return event.Window->Surface() == surface; });
}

std::vector<TWaylandInput::TWindowEvent> TWaylandInput::TakeWindowEvents(uint32_t now) {
  uint32_t key = 0;
  const TWaylandWindow* window = Connection.FindWindow(KeyboardSurface);
  for (int due = Keys->DueRepeats(now, key); due > 0 && window != nullptr; --due) {
    const uint16_t code = Keys->VirtualKey(key);
    if (code != 0) Queued.push_back({window, true, code, 0, 0});
  }
  std::vector<TWindowEvent> taken;
  taken.swap(Queued);
  return taken;
}

std::optional<uint32_t> TWaylandInput::TimeToNextRepeat(uint32_t now) const { return Keys->TimeToNextRepeat(now); }

bool TWaylandInput::PointerPos(int& x, int& y) const {
  if (!PointerKnown) return false;
  x = ScreenX;
  y = ScreenY;
  return true;
}

unsigned TWaylandInput::MouseButtonsDown() {
  StaleButtons &= HeldButtons;
  const unsigned result = (HeldButtons & ~StaleButtons) | LatchedButtons;
  LatchedButtons = 0;
  return result;
}

bool TWaylandInput::EscapeHeld() {
  StaleEscape = StaleEscape && EscapeDown;
  const bool result = (EscapeDown && !StaleEscape) || LatchedEscape;
  LatchedEscape = false;
  return result;
}

void TWaylandInput::ForgetPresses() {
  StaleButtons = HeldButtons;
  StaleEscape = EscapeDown;
  LatchedButtons = 0;
  LatchedEscape = false;
}

bool TWaylandInput::HasKeyboardFocus() const { return Connection.FindWindow(KeyboardSurface) != nullptr; }
