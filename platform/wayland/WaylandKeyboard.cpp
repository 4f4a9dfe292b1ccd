// Keys through xkbcommon: the compositor's layout, modifiers, virtual-key codes and repeats.
#include "platform/wayland/WaylandKeyboard.h"

#include <sys/mman.h>
#include <unistd.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>

#include "platform/x11/X11Keyboard.h"

namespace {

// Wayland sends evdev codes; XKB numbers the same keys 8 higher, as X does.
constexpr uint32_t EvdevToXkb = 8;
// A client that fell far behind sends a few repeats, not a burst.
constexpr int MostRepeatsAtOnce = 3;

}  // namespace

TWaylandKeyboard::TWaylandKeyboard() : Context(xkb_context_new(XKB_CONTEXT_NO_FLAGS)) {}

TWaylandKeyboard::~TWaylandKeyboard() {
  if (State != nullptr) xkb_state_unref(State);
  if (Keymap != nullptr) xkb_keymap_unref(Keymap);
  if (Context != nullptr) xkb_context_unref(Context);
}

void TWaylandKeyboard::UseKeymap(int file, uint32_t size) {
  void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file, 0);
  close(file);
  if (text == MAP_FAILED) return;
  UseKeymapText(static_cast<const char*>(text));
  munmap(text, size);
}

bool TWaylandKeyboard::UseKeymapText(const char* text) {
  if (Context == nullptr) return false;
  xkb_keymap* keymap = xkb_keymap_new_from_string(Context, text, XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
  if (keymap == nullptr) return false;
  if (State != nullptr) xkb_state_unref(State);
  if (Keymap != nullptr) xkb_keymap_unref(Keymap);
  Keymap = keymap;
  State = xkb_state_new(Keymap);
  return true;
}

void TWaylandKeyboard::Modifiers(uint32_t depressed, uint32_t latched, uint32_t locked, uint32_t group) {
  if (State != nullptr) xkb_state_update_mask(State, depressed, latched, locked, 0, 0, group);
}

void TWaylandKeyboard::RepeatInfo(int32_t rate, int32_t delay) {
  RepeatRate = std::max(rate, 0);
  RepeatDelay = std::max(delay, 0);
}

uint16_t TWaylandKeyboard::VirtualKey(uint32_t key) const {
  if (State == nullptr) return 0;
  const xkb_keycode_t code = key + EvdevToXkb;
  const xkb_keysym_t typed = xkb_state_key_get_one_sym(State, code);
  // What the key shows in every layout: letters and digits follow the key's place.
  TKeySymbols shows;
  shows.Layouts = static_cast<int>(std::min<xkb_layout_index_t>(xkb_keymap_num_layouts_for_key(Keymap, code),
                                                              TKeySymbols::MostLayouts));
  for (int layout = 0; layout < shows.Layouts; ++layout)
    for (int level = 0; level < 2; ++level) {
      const xkb_keysym_t* symbols = nullptr;
      const int count = xkb_keymap_key_get_syms_by_level(Keymap, code, static_cast<xkb_layout_index_t>(layout),
                                                         static_cast<xkb_level_index_t>(level), &symbols);
      // xkbcommon's key symbols are X's, value for value.
      shows.Levels[layout][level] = count > 0 ? symbols[0] : XKB_KEY_NoSymbol;
    }
  shows.Active = static_cast<int>(xkb_state_key_get_layout(State, code));
  return VirtualKeyOf(typed, shows);
}

bool TWaylandKeyboard::IsEscape(uint32_t key) const {
  if (State == nullptr) return key == 1;  // evdev's KEY_ESC, before any layout came
  return xkb_state_key_get_one_sym(State, key + EvdevToXkb) == XKB_KEY_Escape;
}

void TWaylandKeyboard::Pressed(uint32_t key, uint32_t now) {
  if (Keymap == nullptr || RepeatRate == 0 || !xkb_keymap_key_repeats(Keymap, key + EvdevToXkb)) {
    RepeatKey = 0;
    return;
  }
  RepeatKey = key + 1;
  NextRepeat = now + static_cast<uint32_t>(RepeatDelay);
}

void TWaylandKeyboard::Released(uint32_t key) {
  if (RepeatKey == key + 1) RepeatKey = 0;
}

int TWaylandKeyboard::DueRepeats(uint32_t now, uint32_t& key) {
  if (RepeatKey == 0 || static_cast<int32_t>(now - NextRepeat) < 0) return 0;
  const uint32_t period = 1000u / static_cast<uint32_t>(RepeatRate);
  const uint32_t late = now - NextRepeat;
  const int due = static_cast<int>(std::min<uint32_t>(late / std::max(period, 1u) + 1, MostRepeatsAtOnce));
  NextRepeat = now - late % std::max(period, 1u) + period;
  key = RepeatKey - 1;
  return due;
}

std::optional<uint32_t> TWaylandKeyboard::TimeToNextRepeat(uint32_t now) const {
  if (RepeatKey == 0) return std::nullopt;
  const int32_t left = static_cast<int32_t>(NextRepeat - now);
  return static_cast<uint32_t>(std::max(left, 0));
}
