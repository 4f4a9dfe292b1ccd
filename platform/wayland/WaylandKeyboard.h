// The keyboard's layout (xkbcommon) and key repeat: which key is Escape, which virtual key a press types.
#pragma once

#include <cstdint>
#include <optional>

struct xkb_context;
struct xkb_keymap;
struct xkb_state;

// Keys arrive as evdev codes; the compositor sends the layout the user has chosen,
// so name entry types what the keys show whatever the layout. Wayland leaves key
// repeat to the client: a held key repeats at the rate the compositor gives.
class TWaylandKeyboard {
 public:
  TWaylandKeyboard();
  ~TWaylandKeyboard();
  TWaylandKeyboard(const TWaylandKeyboard&) = delete;
  TWaylandKeyboard& operator=(const TWaylandKeyboard&) = delete;

  // Takes the compositor's layout (an XKB text keymap of Size bytes in File), or
  // keeps the previous one when it cannot be read. Closes File.
  void UseKeymap(int file, uint32_t size);
  // Takes a layout from its text (for tests).
  bool UseKeymapText(const char* text);
  void Modifiers(uint32_t depressed, uint32_t latched, uint32_t locked, uint32_t group);
  // Rate in keys a second (0: no repeat) and the delay before the first, in ms.
  void RepeatInfo(int32_t rate, int32_t delay);

  // The virtual-key code a press of Key types now (modifiers applied), 0 for none.
  uint16_t VirtualKey(uint32_t key) const;
  bool IsEscape(uint32_t key) const;

  // Key went down at Now (ms): it repeats after the delay when the layout says so.
  void Pressed(uint32_t key, uint32_t now);
  void Released(uint32_t key);
  // No key repeats any more (the focus went).
  void StopRepeat() { RepeatKey = 0; }
  // The key whose repeats are due at Now, and how many (0 for none).
  int DueRepeats(uint32_t now, uint32_t& key);
  std::optional<uint32_t> TimeToNextRepeat(uint32_t now) const;

 private:
  xkb_context* Context;
  xkb_keymap* Keymap = nullptr;
  xkb_state* State = nullptr;
  int32_t RepeatRate = 25;
  int32_t RepeatDelay = 600;
  uint32_t RepeatKey = 0;  // evdev code + 1 of the repeating key, 0 for none
  uint32_t NextRepeat = 0;
};
