// The seat's pointer and keyboard as the game reads them: position, buttons, Escape, menu keys and clicks.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

struct wl_keyboard;
struct wl_output;
struct wl_pointer;
struct wl_seat;
struct wl_surface;

class TWaylandCursor;
class TWaylandDisplay;
class TWaylandKeyboard;
class TWaylandWindow;

// Wayland tells a client about the pointer and the keyboard only while they are over
// (or focused on) its own surfaces. During play the game's surface covers the output
// and takes all input, so that is everywhere; a press and release between two polls
// is latched, as the game polls every 100 ms and a quick click is shorter.
// Key presses and clicks meant for a window's handlers are queued while events are
// read and delivered afterwards (TakeWindowEvents), so a handler may destroy windows.
class TWaylandInput {
 public:
  explicit TWaylandInput(TWaylandDisplay& connection);
  ~TWaylandInput();
  TWaylandInput(const TWaylandInput&) = delete;
  TWaylandInput& operator=(const TWaylandInput&) = delete;

  void UseSeat(wl_seat* seat);

  // The pointer on the game's output, in window pixels of the surface under it moved
  // to the output's corner; false before it was first over one of our surfaces.
  bool PointerPos(int& x, int& y) const;
  // Bit 1 left, 2 right, 4 middle: held now or pressed since the previous call.
  unsigned MouseButtonsDown();
  // Escape held now or pressed since the previous call.
  bool EscapeHeld();
  // Forgets the presses so far; what is held now counts once let go and pressed anew.
  void ForgetPresses();
  // True while one of our surfaces has the keyboard.
  bool HasKeyboardFocus() const;

  // A key press (virtual-key code) or left click for a window's handlers.
  struct TWindowEvent {
    const TWaylandWindow* Window;
    bool IsKey;
    uint16_t Key;
    int X, Y;
  };
  // The events queued since the last call, with key repeats that are due at Now (ms).
  std::vector<TWindowEvent> TakeWindowEvents(uint32_t now);
  // Milliseconds from Now until a held key repeats, none when no key is held.
  std::optional<uint32_t> TimeToNextRepeat(uint32_t now) const;

  TWaylandCursor& Cursor() { return *Pointer; }
  TWaylandKeyboard& Keyboard() { return *Keys; }
  // The output our surfaces last entered: where new ones are likely to be placed.
  wl_output* LastOutput() const { return LatestOutput; }
  void NoteOutput(wl_output* output) { LatestOutput = output; }
  // A surface is about to be destroyed: input on it is forgotten.
  void SurfaceGone(wl_surface* surface);
  // The events read together have all been run: a keyboard that left a surface and came
  // back to it among them was pulled back by the compositor, not moved by the player.
  void EventsRun() { JustLeft = nullptr; }

  // Listener calls.
  void Capabilities(uint32_t capabilities);
  void PointerEnter(uint32_t serial, wl_surface* surface, double x, double y);
  void PointerLeave(wl_surface* surface);
  void PointerMotion(double x, double y);
  void PointerButton(uint32_t button, bool pressed);
  void KeyboardEnter(wl_surface* surface);
  void KeyboardLeave(wl_surface* surface);
  void Key(uint32_t key, bool pressed);

 private:
  TWaylandDisplay& Connection;
  wl_seat* Seat = nullptr;
  wl_pointer* PointerDevice = nullptr;
  wl_keyboard* KeyboardDevice = nullptr;
  std::unique_ptr<TWaylandCursor> Pointer;
  std::unique_ptr<TWaylandKeyboard> Keys;
  wl_surface* PointerSurface = nullptr;
  wl_surface* KeyboardSurface = nullptr;
  // The surface the keyboard left among the events being run now.
  wl_surface* JustLeft = nullptr;
  wl_output* LatestOutput = nullptr;
  bool PointerKnown = false;
  double SurfaceX = 0;  // logical pixels on PointerSurface
  double SurfaceY = 0;
  int ScreenX = 0;      // window pixels on the output
  int ScreenY = 0;
  unsigned HeldButtons = 0;
  unsigned LatchedButtons = 0;
  bool EscapeDown = false;
  bool LatchedEscape = false;
  // Held when the presses were forgotten, and not let go since.
  unsigned StaleButtons = 0;
  bool StaleEscape = false;
  std::vector<TWindowEvent> Queued;
};
