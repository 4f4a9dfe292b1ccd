// Raw input on a message-only window, with the asynchronous key state for what is held.
#include "platform/win32/Win32Input.h"

namespace {

constexpr const wchar_t* SinkClass = L"BlastoverInput";
constexpr USHORT GenericDesktop = 0x01, MouseUsage = 0x02, KeyboardUsage = 0x06;
constexpr SHORT HeldBit = static_cast<SHORT>(0x8000);

bool Held(int virtualKey) { return (GetAsyncKeyState(virtualKey) & HeldBit) != 0; }

// The physical buttons as the player uses them: with the buttons swapped (a left-handed
// player's setting) the right one is the first, as the windows' own messages say.
unsigned AsThePlayerUsesThem(unsigned physical) {
  if (GetSystemMetrics(SM_SWAPBUTTON) == 0) return physical;
  return (physical & ~3u) | (physical & 1u) << 1 | (physical & 2u) >> 1;
}

}  // namespace

TWin32Input::TWin32Input() {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = InputProcedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = SinkClass;
  RegisterClassExW(&windowClass);
  Sink = CreateWindowExW(0, SinkClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, this);
  if (Sink == nullptr) return;
  RAWINPUTDEVICE devices[2] = {{GenericDesktop, MouseUsage, RIDEV_INPUTSINK, Sink},
                               {GenericDesktop, KeyboardUsage, RIDEV_INPUTSINK, Sink}};
  Registered = RegisterRawInputDevices(devices, 2, sizeof devices[0]) != 0;
}

TWin32Input::~TWin32Input() {
  if (Registered) {
    RAWINPUTDEVICE devices[2] = {{GenericDesktop, MouseUsage, RIDEV_REMOVE, nullptr},
                                 {GenericDesktop, KeyboardUsage, RIDEV_REMOVE, nullptr}};
    RegisterRawInputDevices(devices, 2, sizeof devices[0]);
  }
  if (Sink != nullptr) DestroyWindow(Sink);
}

LRESULT CALLBACK TWin32Input::InputProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
  }
  auto* self = reinterpret_cast<TWin32Input*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_INPUT && self != nullptr) self->Take(reinterpret_cast<HRAWINPUT>(lParam));
  return DefWindowProcW(window, message, wParam, lParam);
}

void TWin32Input::Take(HRAWINPUT handle) {
  RAWINPUT input{};
  UINT size = sizeof input;
  if (GetRawInputData(handle, RID_INPUT, &input, &size, sizeof(RAWINPUTHEADER)) == static_cast<UINT>(-1)) return;
  if (input.header.dwType == RIM_TYPEMOUSE) {
    const USHORT flags = input.data.mouse.usButtonFlags;
    if (flags & RI_MOUSE_LEFT_BUTTON_DOWN) LatchedButtons |= 1;
    if (flags & RI_MOUSE_RIGHT_BUTTON_DOWN) LatchedButtons |= 2;
    if (flags & RI_MOUSE_MIDDLE_BUTTON_DOWN) LatchedButtons |= 4;
  } else if (input.header.dwType == RIM_TYPEKEYBOARD) {
    const RAWKEYBOARD& key = input.data.keyboard;
    if (key.VKey == VK_ESCAPE && (key.Flags & RI_KEY_BREAK) == 0) LatchedEscape = true;
  }
}

void TWin32Input::TakeQueuedInput() {
  if (Sink == nullptr) return;
  MSG message;
  while (PeekMessageW(&message, Sink, WM_INPUT, WM_INPUT, PM_REMOVE)) DispatchMessageW(&message);
}

unsigned TWin32Input::HeldButtons() const {
  // The asynchronous state names the physical buttons, as raw input does; both are
  // turned into the player's buttons only when reported.
  unsigned held = 0;
  if (Held(VK_LBUTTON)) held |= 1;
  if (Held(VK_RBUTTON)) held |= 2;
  if (Held(VK_MBUTTON)) held |= 4;
  return held;
}

unsigned TWin32Input::MouseButtonsDown() {
  TakeQueuedInput();
  const unsigned held = HeldButtons();
  StaleButtons &= held;
  const unsigned buttons = (held & ~StaleButtons) | LatchedButtons;
  LatchedButtons = 0;
  return AsThePlayerUsesThem(buttons);
}

bool TWin32Input::EscapeHeld() {
  TakeQueuedInput();
  const bool held = Held(VK_ESCAPE);
  StaleEscape = StaleEscape && held;
  const bool result = LatchedEscape || (held && !StaleEscape);
  LatchedEscape = false;
  return result;
}

void TWin32Input::ForgetPresses() {
  TakeQueuedInput();
  StaleButtons = HeldButtons();
  StaleEscape = Held(VK_ESCAPE);
  LatchedButtons = 0;
  LatchedEscape = false;
}
