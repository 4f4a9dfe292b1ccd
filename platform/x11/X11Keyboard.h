// Key symbols of X translated to the virtual-key codes the game reads.
#pragma once

#include <X11/X.h>

#include <cstdint>

// The virtual-key code of a key press, or 0 for a key the game has no use for.
// Typed is the symbol as typed (shift and Num Lock applied), Unshifted the key's
// first symbol. Letters, digits and function keys follow Unshifted, so Shift does
// not change them; the keypad follows Typed, so Num Lock decides between digits and
// movement keys. Punctuation is dropped: its characters would collide with the
// codes of other keys ('.' is 46, Delete).
uint16_t VirtualKeyOf(KeySym typed, KeySym unshifted);
