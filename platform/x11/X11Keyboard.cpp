// Translation of key symbols to virtual-key codes.
#include "platform/x11/X11Keyboard.h"

#include <X11/keysym.h>

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

}  // namespace

uint16_t VirtualKeyOf(KeySym typed, KeySym unshifted) {
  if (typed >= XK_KP_0 && typed <= XK_KP_9) return static_cast<uint16_t>(VK_NUMPAD0 + (typed - XK_KP_0));
  for (const TKeyPair& key : KeypadKeys)
    if (typed == key.Symbol) return key.Code;
  if (unshifted >= XK_a && unshifted <= XK_z) return static_cast<uint16_t>('A' + (unshifted - XK_a));
  if (unshifted >= XK_A && unshifted <= XK_Z) return static_cast<uint16_t>('A' + (unshifted - XK_A));
  if (unshifted >= XK_0 && unshifted <= XK_9) return static_cast<uint16_t>('0' + (unshifted - XK_0));
  if (unshifted >= XK_F1 && unshifted < XK_F1 + FunctionKeyCount)
    return static_cast<uint16_t>(VK_F1 + (unshifted - XK_F1));
  for (const TKeyPair& key : NamedKeys)
    if (typed == key.Symbol || unshifted == key.Symbol) return key.Code;
  return 0;
}
