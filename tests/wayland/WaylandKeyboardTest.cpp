// Keys on the Wayland back end: what a press types under the user's layout, Escape, and key repeat.
#include <gtest/gtest.h>

#include <linux/input-event-codes.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>
#include <memory>

#include "platform/Platform.h"
#include "platform/wayland/WaylandKeyboard.h"

namespace {

// The keyboard with the layout a compositor would send for Layout ("us", "de", ...).
std::unique_ptr<TWaylandKeyboard> KeyboardWith(const char* layout) {
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  const xkb_rule_names names{"evdev", "pc105", layout, "", ""};
  xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
  auto keyboard = std::make_unique<TWaylandKeyboard>();
  if (keymap != nullptr) {
    char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    EXPECT_TRUE(keyboard->UseKeymapText(text));
    std::free(text);
    xkb_keymap_unref(keymap);
  }
  xkb_context_unref(context);
  return keyboard;
}

// The modifier masks of Shift and Num Lock (Mod2) in the layouts above.
constexpr uint32_t ShiftMask = 1, NumLockMask = 1u << 4;

TEST(TWaylandKeyboard, NameEntryTypesWhatTheKeysOfTheUsersLayoutShow) {
  auto us = KeyboardWith("us");
  auto german = KeyboardWith("de");
  EXPECT_EQ(us->VirtualKey(KEY_Y), 'Y');
  EXPECT_EQ(us->VirtualKey(KEY_Z), 'Z');
  EXPECT_EQ(german->VirtualKey(KEY_Y), 'Z') << "a German keyboard has Z where a US one has Y";
  EXPECT_EQ(german->VirtualKey(KEY_Z), 'Y');

  // Shift changes neither letters nor digits: the game reads key codes, not characters.
  us->Modifiers(ShiftMask, 0, 0, 0);
  EXPECT_EQ(us->VirtualKey(KEY_A), 'A');
  EXPECT_EQ(us->VirtualKey(KEY_1), '1');
  us->Modifiers(0, 0, 0, 0);
  EXPECT_EQ(us->VirtualKey(KEY_ENTER), VK_RETURN);
  EXPECT_EQ(us->VirtualKey(KEY_BACKSPACE), VK_BACK);
  EXPECT_EQ(us->VirtualKey(KEY_LEFTSHIFT), 0) << "a modifier alone types nothing";
  EXPECT_TRUE(us->IsEscape(KEY_ESC));
  EXPECT_FALSE(us->IsEscape(KEY_Q));
}

TEST(TWaylandKeyboard, EveryLayoutTypesLettersAndDigitsByTheKeysPlace) {
  // Russian active beside a US layout, either one first: the letter of the Latin layout.
  auto usRu = KeyboardWith("us,ru");
  auto ruUs = KeyboardWith("ru,us");
  usRu->Modifiers(0, 0, 0, 1);
  for (TWaylandKeyboard* keyboard : {usRu.get(), ruUs.get()}) {
    EXPECT_EQ(keyboard->VirtualKey(KEY_Q), 'Q');
    EXPECT_EQ(keyboard->VirtualKey(KEY_M), 'M');
    EXPECT_EQ(keyboard->VirtualKey(KEY_1), '1');
    EXPECT_EQ(keyboard->VirtualKey(KEY_ENTER), VK_RETURN);
  }
  // A Latin layout that is active gives its own letters, not the first layout's.
  auto usFrench = KeyboardWith("us,fr");
  usFrench->Modifiers(0, 0, 0, 1);
  EXPECT_EQ(usFrench->VirtualKey(KEY_Q), 'A');

  // French keys show their digits shifted; plain or shifted, the digit is typed.
  auto french = KeyboardWith("fr");
  EXPECT_EQ(french->VirtualKey(KEY_Q), 'A');
  EXPECT_EQ(french->VirtualKey(KEY_SEMICOLON), 'M');
  const int topRow[] = {KEY_1, KEY_2, KEY_3, KEY_4, KEY_5, KEY_6, KEY_7, KEY_8, KEY_9, KEY_0};
  for (uint32_t shift : {0u, ShiftMask}) {
    french->Modifiers(shift, 0, 0, 0);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(french->VirtualKey(topRow[i]), "1234567890"[i]) << "shift " << shift;
  }
  french->Modifiers(0, 0, 0, 0);
  EXPECT_EQ(french->VirtualKey(KEY_MINUS), 0) << "the key beside 0 has no digit: ')' and the degree sign";
  // The keypad follows Num Lock, as on every layout.
  french->Modifiers(0, 0, NumLockMask, 0);
  EXPECT_EQ(french->VirtualKey(KEY_KP1), VK_NUMPAD0 + 1);
  french->Modifiers(0, 0, 0, 0);
  EXPECT_EQ(french->VirtualKey(KEY_KP1), 35) << "End";

  auto german = KeyboardWith("de");
  for (int i = 0; i < 10; ++i) EXPECT_EQ(german->VirtualKey(topRow[i]), "1234567890"[i]);
  EXPECT_EQ(german->VirtualKey(KEY_MINUS), 0) << "sharp s";
}

TEST(TWaylandKeyboard, AHeldKeyRepeatsAfterTheDelayAtTheRateAndStopsWhenReleased) {
  auto keyboard = KeyboardWith("us");
  keyboard->RepeatInfo(25, 600);  // every 40 ms after 600 ms
  uint32_t key = 0;
  keyboard->Pressed(KEY_BACKSPACE, 1000);
  EXPECT_EQ(keyboard->TimeToNextRepeat(1000), 600u);
  EXPECT_EQ(keyboard->DueRepeats(1599, key), 0);
  EXPECT_EQ(keyboard->DueRepeats(1600, key), 1);
  EXPECT_EQ(key, static_cast<uint32_t>(KEY_BACKSPACE));
  EXPECT_EQ(keyboard->TimeToNextRepeat(1600), 40u);
  // A program that fell behind gets a few repeats, not a burst.
  EXPECT_EQ(keyboard->DueRepeats(2600, key), 3);
  EXPECT_EQ(keyboard->DueRepeats(2601, key), 0);
  keyboard->Released(KEY_BACKSPACE);
  EXPECT_FALSE(keyboard->TimeToNextRepeat(3000).has_value());

  // Modifiers do not repeat, and a rate of 0 turns repeat off.
  keyboard->Pressed(KEY_LEFTSHIFT, 5000);
  EXPECT_FALSE(keyboard->TimeToNextRepeat(5000).has_value());
  keyboard->RepeatInfo(0, 600);
  keyboard->Pressed(KEY_A, 6000);
  EXPECT_EQ(keyboard->DueRepeats(9000, key), 0);
}

}  // namespace
