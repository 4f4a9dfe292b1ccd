// Key symbols of X translated to the virtual-key codes the game reads.
#pragma once

#include <X11/X.h>

#include <cstdint>

// What one key shows in every layout of the keymap: its plain and shifted symbols in
// each (NoSymbol where it has none), and which layout is active.
struct TKeySymbols {
  static constexpr int MostLayouts = 4;
  KeySym Levels[MostLayouts][2] = {};
  int Layouts = 0;
  int Active = 0;
  // A key of a keymap with one layout.
  static TKeySymbols Single(KeySym plain, KeySym shifted = NoSymbol);
};

// The virtual-key code of a key press, or 0 for a key the game has no use for.
// Typed is the symbol as typed (shift and Num Lock applied), Key what the key shows.
// Letters and digits follow the key's place rather than what it types, so Shift does
// not change them and every layout can type them: the letter is the active layout's
// plain symbol when that is a Latin letter, else the first layout's that has one (the
// Latin layout a Russian keymap comes with); the digit is that of the plain or the
// shifted symbol, the active layout's first (a French keyboard has its digits
// shifted). Function keys follow the active layout's plain symbol; the keypad follows
// Typed, so Num Lock decides between digits and movement keys. Punctuation is
// dropped: its characters would collide with the codes of other keys ('.' is 46,
// Delete).
uint16_t VirtualKeyOf(KeySym typed, const TKeySymbols& key);
