// Translation of key symbols to virtual-key codes.
#include "platform/x11/X11Keyboard.h"

#include <X11/keysym.h>

#include <algorithm>

#include "platform/Platform.h"

namespace {

struct TKeyPair {
  KeySym Symbol;
  uint16_t Code;
};

// Keys named by what they do, as typed or unshifted alike.
constexpr TKeyPair NamedKeys[] = {
    {XK_BackSpace, VK_BACK}, {XK_Tab, 9},        {XK_Return, VK_RETURN}, {XK_KP_Enter, VK_RETURN},
    {XK_Pause, 19},          {XK_Escape, VK_ESCAPE}, {XK_space, 32},     {XK_Prior, 33},
    {XK_Next, 34},           {XK_End, 35},       {XK_Home, 36},          {XK_Left, 37},
    {XK_Up, 38},             {XK_Right, 39},     {XK_Down, 40},          {XK_Insert, 45},
    {XK_Delete, VK_DELETE},
};

// The keypad with Num Lock off, and its operator keys.
constexpr TKeyPair KeypadKeys[] = {
    {XK_KP_Prior, 33}, {XK_KP_Next, 34},  {XK_KP_End, 35},    {XK_KP_Home, 36},      {XK_KP_Left, 37},
    {XK_KP_Up, 38},    {XK_KP_Right, 39}, {XK_KP_Down, 40},   {XK_KP_Insert, 45},    {XK_KP_Delete, VK_DELETE},
    {XK_KP_Begin, 12}, {XK_KP_Multiply, 106}, {XK_KP_Add, 107}, {XK_KP_Subtract, 109}, {XK_KP_Decimal, 110},
    {XK_KP_Divide, 111},
};

constexpr int FunctionKeyCount = 24;

// The capital of a Latin letter's symbol, 0 for any other.
uint16_t LetterOf(KeySym symbol) {
  if (symbol >= XK_a && symbol <= XK_z) return static_cast<uint16_t>('A' + (symbol - XK_a));
  if (symbol >= XK_A && symbol <= XK_Z) return static_cast<uint16_t>('A' + (symbol - XK_A));
  return 0;
}

// The digit of a layout's plain or shifted symbol, 0 for none.
uint16_t DigitOf(const KeySym (&levels)[2]) {
  for (const KeySym symbol : levels)
    if (symbol >= XK_0 && symbol <= XK_9) return static_cast<uint16_t>('0' + (symbol - XK_0));
  return 0;
}

// The letter or digit of the key's place: the active layout's, else the first layout's
// that has one.
uint16_t LetterOrDigitOf(const TKeySymbols& key) {
  const int layouts = std::min(key.Layouts, TKeySymbols::MostLayouts);
  if (key.Active >= 0 && key.Active < layouts) {
    const KeySym (&active)[2] = key.Levels[key.Active];
    if (const uint16_t letter = LetterOf(active[0])) return letter;
    if (const uint16_t digit = DigitOf(active)) return digit;
  }
  for (int layout = 0; layout < layouts; ++layout) {
    if (const uint16_t letter = LetterOf(key.Levels[layout][0])) return letter;
    if (const uint16_t digit = DigitOf(key.Levels[layout])) return digit;
  }
  return 0;
}

}  // namespace

TKeySymbols TKeySymbols::Single(KeySym plain, KeySym shifted) {
  TKeySymbols key;
  key.Levels[0][0] = plain;
  key.Levels[0][1] = shifted;
  key.Layouts = 1;
  return key;
}

uint16_t VirtualKeyOf(KeySym typed, const TKeySymbols& key) {
  if (typed >= XK_KP_0 && typed <= XK_KP_9) return static_cast<uint16_t>(VK_NUMPAD0 + (typed - XK_KP_0));
  for (const TKeyPair& pair : KeypadKeys)
    if (typed == pair.Symbol) return pair.Code;
  if (const uint16_t code = LetterOrDigitOf(key)) return code;
  const bool activeKnown = key.Active >= 0 && key.Active < std::min(key.Layouts, TKeySymbols::MostLayouts);
  const KeySym unshifted = activeKnown ? key.Levels[key.Active][0] : NoSymbol;
  for (const KeySym symbol : {unshifted, typed})
    if (symbol >= XK_F1 && symbol < XK_F1 + FunctionKeyCount) return static_cast<uint16_t>(VK_F1 + (symbol - XK_F1));
  for (const TKeyPair& pair : NamedKeys)
    if (typed == pair.Symbol || unshifted == pair.Symbol) return pair.Code;
  return 0;
}
