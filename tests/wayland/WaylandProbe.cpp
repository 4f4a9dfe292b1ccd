// The Wayland tests' hands and eyes inside a compositor's session: moves the pointer,
// clicks, types, shows a window of another program, and takes KWin's screenshots.
//
//   blastover-wayland-probe pointer X Y WIDTH HEIGHT   the pointer to (X, Y) of an output of that logical size
//   blastover-wayland-probe click | press | release     the left button
//   blastover-wayland-probe keys NAME...                 taps keys by their XKB names (a, Escape, Return)
//                                                       in the keyboard's first layout
//   blastover-wayland-probe layout N                     makes the keyboard's layout N (from 0) the active one
//   blastover-wayland-probe window WIDTH HEIGHT RRGGBB SECONDS   an ordinary window in one colour, which
//                                                       says on stdout when it gains ("keyboard in") and
//                                                       loses ("keyboard out") the keyboard, and each
//                                                       key pressed there ("key CODE", evdev codes)
//   blastover-wayland-probe kwin-shot FILE              KWin's picture of its screen, as a PNG
//   blastover-wayland-probe kwin-output-off N           turns KWin's output N (from 0, as KWin lists
//                                                       them) off, as unplugging its monitor would
//   blastover-wayland-probe session                     the commands above (not kwin-shot), one a line
//                                                       from stdin, with "wait MS"; "ok" after each
//   blastover-wayland-probe mutter-input COMMAND...      pointer and keys through mutter's remote desktop:
//                                                       "move DX DY", "corner", "click", "key NAME", "wait MS"
//
// Input goes through the wlroots virtual pointer and keyboard where offered (sway),
// else KWin's fake input. The virtual keyboard's layouts are BLASTOVER_PROBE_LAYOUT's
// ("fr", "us,ru"), US when it is not set.
#include <gio/gio.h>
#include <gio/gunixfdlist.h>
#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "fake-input-client.h"
#include "kde-output-device-v2-client.h"
#include "kde-output-management-v2-client.h"
#include "platform/PngCodec.h"
#include "virtual-keyboard-unstable-v1-client.h"
#include "wlr-virtual-pointer-unstable-v1-client.h"
#include "xdg-shell-client.h"

namespace {

struct TGlobals {
  wl_seat* Seat = nullptr;
  wl_compositor* Compositor = nullptr;
  wl_shm* Shm = nullptr;
  xdg_wm_base* Shell = nullptr;
  zwlr_virtual_pointer_manager_v1* Pointers = nullptr;
  zwp_virtual_keyboard_manager_v1* Keyboards = nullptr;
  org_kde_kwin_fake_input* FakeInput = nullptr;
  wl_keyboard* Keyboard = nullptr;
  kde_output_management_v2* OutputManagement = nullptr;
  std::vector<kde_output_device_v2*> OutputDevices;
};

void Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

void KeyboardKeymap(void*, wl_keyboard*, uint32_t, int32_t file, uint32_t) { close(file); }
void KeyboardEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) { Say("keyboard in"); }
void KeyboardLeave(void*, wl_keyboard*, uint32_t, wl_surface*) { Say("keyboard out"); }
void KeyboardKey(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
  if (state == WL_KEYBOARD_KEY_STATE_PRESSED) Say("key " + std::to_string(key));
}
void KeyboardModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void KeyboardRepeat(void*, wl_keyboard*, int32_t, int32_t) {}
const wl_keyboard_listener KeyboardListener = {KeyboardKeymap, KeyboardEnter, KeyboardLeave, KeyboardKey,
                                               KeyboardModifiers, KeyboardRepeat};

// The keyboard is asked for once the seat has one: a virtual keyboard may be plugged in later.
void SeatCapabilities(void* data, wl_seat* seat, uint32_t capabilities) {
  wl_keyboard*& keyboard = static_cast<TGlobals*>(data)->Keyboard;
  if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) == 0 || keyboard != nullptr) return;
  keyboard = wl_seat_get_keyboard(seat);
  wl_keyboard_add_listener(keyboard, &KeyboardListener, nullptr);
}
void SeatName(void*, wl_seat*, const char*) {}
const wl_seat_listener SeatListener = {SeatCapabilities, SeatName};

void Global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
  auto& globals = *static_cast<TGlobals*>(data);
  const std::string kind = interface;
  const auto bind = [&](const wl_interface* type, uint32_t wanted) {
    return wl_registry_bind(registry, name, type, std::min(version, wanted));
  };
  if (kind == "wl_seat" && globals.Seat == nullptr) {
    globals.Seat = static_cast<wl_seat*>(bind(&wl_seat_interface, 1));
    wl_seat_add_listener(globals.Seat, &SeatListener, &globals);
  }
  if (kind == "wl_compositor") globals.Compositor = static_cast<wl_compositor*>(bind(&wl_compositor_interface, 4));
  if (kind == "wl_shm") globals.Shm = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
  if (kind == "xdg_wm_base") globals.Shell = static_cast<xdg_wm_base*>(bind(&xdg_wm_base_interface, 1));
  if (kind == "zwlr_virtual_pointer_manager_v1")
    globals.Pointers = static_cast<zwlr_virtual_pointer_manager_v1*>(bind(&zwlr_virtual_pointer_manager_v1_interface, 1));
  if (kind == "zwp_virtual_keyboard_manager_v1")
    globals.Keyboards = static_cast<zwp_virtual_keyboard_manager_v1*>(bind(&zwp_virtual_keyboard_manager_v1_interface, 1));
  if (kind == "kde_output_management_v2")
    globals.OutputManagement = static_cast<kde_output_management_v2*>(bind(&kde_output_management_v2_interface, 1));
  if (kind == "kde_output_device_v2")
    globals.OutputDevices.push_back(static_cast<kde_output_device_v2*>(bind(&kde_output_device_v2_interface, 1)));
  if (kind == "org_kde_kwin_fake_input")
    globals.FakeInput = static_cast<org_kde_kwin_fake_input*>(bind(&org_kde_kwin_fake_input_interface, 4));
}

void GlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener RegistryListener = {Global, GlobalRemove};

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "blastover-wayland-probe: %s\n", message.c_str());
  std::exit(2);
}

uint32_t Now() {
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

int MemoryFile(const void* data, size_t size) {
  const int file = memfd_create("blastover-probe", MFD_CLOEXEC);
  if (file < 0 || ftruncate(file, static_cast<off_t>(size)) != 0) Fail("no memory file");
  void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
  if (memory == MAP_FAILED) Fail("cannot map a memory file");
  if (data != nullptr) std::memcpy(memory, data, size);
  munmap(memory, size);
  return file;
}

// The evdev code of the key that types the XKB key symbol Name unshifted on a US layout.
uint32_t KeyCode(xkb_keymap* keymap, const std::string& name) {
  const xkb_keysym_t wanted = xkb_keysym_from_name(name.c_str(), XKB_KEYSYM_NO_FLAGS);
  if (wanted == XKB_KEY_NoSymbol) Fail("no key named " + name);
  for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap); code <= xkb_keymap_max_keycode(keymap); ++code) {
    const xkb_keysym_t* symbols = nullptr;
    if (xkb_keymap_key_get_syms_by_level(keymap, code, 0, 0, &symbols) > 0 && symbols[0] == wanted) return code - 8;
  }
  Fail("no key types " + name);
}

class TSession {
 public:
  TSession() {
    Display = wl_display_connect(nullptr);
    if (Display == nullptr) Fail("no Wayland display");
    wl_registry* registry = wl_display_get_registry(Display);
    wl_registry_add_listener(registry, &RegistryListener, &Globals);
    wl_display_roundtrip(Display);
    if (Globals.FakeInput != nullptr) org_kde_kwin_fake_input_authenticate(Globals.FakeInput, "blastover tests", "input");
    const char* layout = std::getenv("BLASTOVER_PROBE_LAYOUT");
    const xkb_rule_names rules{"evdev", "pc105", layout != nullptr && *layout != '\0' ? layout : "us", "", ""};
    Keymap = xkb_keymap_new_from_names(Context, &rules, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (Keymap == nullptr) Fail("no keymap for the layout");
  }
  ~TSession() {
    wl_display_roundtrip(Display);
    wl_display_disconnect(Display);
  }

  void Pointer(double x, double y, uint32_t width, uint32_t height) {
    if (Globals.Pointers != nullptr) {
      zwlr_virtual_pointer_v1* pointer = VirtualPointer();
      zwlr_virtual_pointer_v1_motion_absolute(pointer, Now(), static_cast<uint32_t>(x), static_cast<uint32_t>(y), width, height);
      zwlr_virtual_pointer_v1_frame(pointer);
    } else if (Globals.FakeInput != nullptr) {
      org_kde_kwin_fake_input_pointer_motion_absolute(Globals.FakeInput, wl_fixed_from_double(x), wl_fixed_from_double(y));
    } else {
      Fail("the compositor offers no way to move the pointer");
    }
    wl_display_roundtrip(Display);
  }

  void Button(bool pressed) {
    const uint32_t state = pressed ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED;
    if (Globals.Pointers != nullptr) {
      zwlr_virtual_pointer_v1* pointer = VirtualPointer();
      zwlr_virtual_pointer_v1_button(pointer, Now(), BTN_LEFT, state);
      zwlr_virtual_pointer_v1_frame(pointer);
    } else if (Globals.FakeInput != nullptr) {
      org_kde_kwin_fake_input_button(Globals.FakeInput, BTN_LEFT, state);
    } else {
      Fail("the compositor offers no way to press buttons");
    }
    wl_display_roundtrip(Display);
  }

  void Keys(const std::vector<std::string>& names) {
    if (VirtualKeyboard() == nullptr && Globals.FakeInput == nullptr) Fail("the compositor offers no way to type");
    for (const std::string& name : names) {
      const uint32_t code = KeyCode(Keymap, name);
      for (const uint32_t state : {WL_KEYBOARD_KEY_STATE_PRESSED, WL_KEYBOARD_KEY_STATE_RELEASED}) {
        if (Keyboard != nullptr) zwp_virtual_keyboard_v1_key(Keyboard, Now(), code, state);
        else org_kde_kwin_fake_input_keyboard_key(Globals.FakeInput, code, state);
        wl_display_roundtrip(Display);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
      }
    }
  }

  // Layout (from 0) becomes the active one, as a layout switch would make it.
  void Layout(uint32_t layout) {
    if (VirtualKeyboard() == nullptr) Fail("only a virtual keyboard can switch layouts");
    zwp_virtual_keyboard_v1_modifiers(Keyboard, 0, 0, 0, layout);
    wl_display_roundtrip(Display);
  }

  // Plugs the virtual pointer and keyboard in now, before the program under test starts,
  // as a real mouse and keyboard would be.
  void PlugIn() {
    if (Globals.Pointers != nullptr) VirtualPointer();
    VirtualKeyboard();
    wl_display_roundtrip(Display);
  }

  void Window(int width, int height, uint32_t colour, int seconds);
  void KWinOutputOff(size_t index);

 private:
  zwp_virtual_keyboard_v1* VirtualKeyboard() {
    if (Keyboard != nullptr || Globals.Keyboards == nullptr || Globals.Seat == nullptr) return Keyboard;
    Keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(Globals.Keyboards, Globals.Seat);
    char* text = xkb_keymap_get_as_string(Keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    const size_t size = std::strlen(text) + 1;
    const int file = MemoryFile(text, size);
    zwp_virtual_keyboard_v1_keymap(Keyboard, XKB_KEYMAP_FORMAT_TEXT_V1, file, static_cast<uint32_t>(size));
    close(file);
    std::free(text);
    return Keyboard;
  }

  zwlr_virtual_pointer_v1* VirtualPointer() {
    if (Virtual == nullptr)
      Virtual = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(Globals.Pointers, Globals.Seat);
    return Virtual;
  }

  wl_display* Display;
  TGlobals Globals;
  zwlr_virtual_pointer_v1* Virtual = nullptr;
  zwp_virtual_keyboard_v1* Keyboard = nullptr;
  xkb_context* Context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  xkb_keymap* Keymap = nullptr;
};

void Ping(void*, xdg_wm_base* shell, uint32_t serial) { xdg_wm_base_pong(shell, serial); }
const xdg_wm_base_listener ShellListener = {Ping};

void SurfaceConfigure(void* data, xdg_surface* surface, uint32_t serial) {
  xdg_surface_ack_configure(surface, serial);
  *static_cast<bool*>(data) = true;
}
const xdg_surface_listener SurfaceListener = {SurfaceConfigure};


void TSession::Window(int width, int height, uint32_t colour, int seconds) {
  if (Globals.Shell == nullptr || Globals.Compositor == nullptr || Globals.Shm == nullptr) Fail("no xdg shell");
  xdg_wm_base_add_listener(Globals.Shell, &ShellListener, nullptr);
  wl_surface* surface = wl_compositor_create_surface(Globals.Compositor);
  xdg_surface* shell = xdg_wm_base_get_xdg_surface(Globals.Shell, surface);
  bool configured = false;
  xdg_surface_add_listener(shell, &SurfaceListener, &configured);
  xdg_toplevel* toplevel = xdg_surface_get_toplevel(shell);
  xdg_toplevel_set_title(toplevel, "probe window");
  wl_surface_commit(surface);
  while (!configured && wl_display_dispatch(Display) >= 0) {
  }
  const std::vector<uint32_t> pixels(static_cast<size_t>(width) * height, 0xFF000000u | colour);
  const int file = MemoryFile(pixels.data(), pixels.size() * 4);
  wl_shm_pool* pool = wl_shm_create_pool(Globals.Shm, file, static_cast<int32_t>(pixels.size() * 4));
  wl_buffer* buffer = wl_shm_pool_create_buffer(pool, 0, width, height, width * 4, WL_SHM_FORMAT_XRGB8888);
  wl_surface_attach(surface, buffer, 0, 0);
  wl_surface_damage(surface, 0, 0, width, height);
  wl_surface_commit(surface);
  Say("shown");
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < end) {
    wl_display_roundtrip(Display);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  (void)toplevel;
  (void)pool;
}

void ConfigurationApplied(void* data, kde_output_configuration_v2*) { *static_cast<int*>(data) = 1; }
void ConfigurationFailed(void* data, kde_output_configuration_v2*) { *static_cast<int*>(data) = 2; }
const kde_output_configuration_v2_listener ConfigurationListener = {ConfigurationApplied, ConfigurationFailed};

void TSession::KWinOutputOff(size_t index) {
  if (Globals.OutputManagement == nullptr) Fail("the compositor offers no output management");
  if (index >= Globals.OutputDevices.size()) Fail("no output " + std::to_string(index));
  kde_output_configuration_v2* configuration = kde_output_management_v2_create_configuration(Globals.OutputManagement);
  int outcome = 0;
  kde_output_configuration_v2_add_listener(configuration, &ConfigurationListener, &outcome);
  kde_output_configuration_v2_enable(configuration, Globals.OutputDevices[index], 0);
  kde_output_configuration_v2_apply(configuration);
  while (outcome == 0 && wl_display_dispatch(Display) >= 0) {
  }
  if (outcome != 1) Fail("KWin did not turn the output off");
}

GVariant* Call(GDBusConnection* bus, const char* name, const char* path, const char* interface, const char* method,
               GVariant* parameters, GUnixFDList* files = nullptr, GUnixFDList** filesOut = nullptr) {
  GError* error = nullptr;
  GVariant* result = g_dbus_connection_call_with_unix_fd_list_sync(bus, name, path, interface, method, parameters,
                                                                  nullptr, G_DBUS_CALL_FLAGS_NONE, 10000, files,
                                                                  filesOut, nullptr, &error);
  if (result == nullptr) Fail(std::string(method) + ": " + error->message);
  return result;
}

// KWin writes the screen's pixels into a pipe and says their layout in the answer.
void KWinShot(const std::string& file) {
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (bus == nullptr) Fail("no session bus");
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) Fail("no pipe");
  GUnixFDList* files = g_unix_fd_list_new_from_array(&pipeEnds[1], 1);
  GVariantBuilder options;
  g_variant_builder_init(&options, G_VARIANT_TYPE("a{sv}"));
  g_variant_builder_add(&options, "{sv}", "include-cursor", g_variant_new_boolean(TRUE));
  // In the output's own pixels, whatever its scale.
  g_variant_builder_add(&options, "{sv}", "native-resolution", g_variant_new_boolean(TRUE));
  GVariant* answer = Call(bus, "org.kde.KWin", "/org/kde/KWin/ScreenShot2", "org.kde.KWin.ScreenShot2",
                          "CaptureActiveScreen", g_variant_new("(a{sv}h)", &options, 0), files);
  GVariant* results = g_variant_get_child_value(answer, 0);
  guint width = 0, height = 0, stride = 0;
  g_variant_lookup(results, "width", "u", &width);
  g_variant_lookup(results, "height", "u", &height);
  g_variant_lookup(results, "stride", "u", &stride);
  std::vector<uint8_t> data(static_cast<size_t>(stride) * height);
  size_t got = 0;
  while (got < data.size()) {
    const ssize_t n = read(pipeEnds[0], data.data() + got, data.size() - got);
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  if (got < data.size() || width == 0) Fail("KWin sent no picture");
  // 32-bit pixels, blue first in memory: the layout of our own pixels.
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  for (guint y = 0; y < height; ++y) std::memcpy(&pixels[static_cast<size_t>(y) * width], &data[static_cast<size_t>(y) * stride], width * 4);
  WritePngFile(file, {pixels.data(), static_cast<int>(width), static_cast<int>(height), static_cast<int>(width)}, false);
}

}  // namespace

int RunMutterInput(int argc, char** argv);

namespace {

// One command of a session's script; false when it is not understood.
bool RunCommand(TSession& session, const std::vector<std::string>& words) {
  const std::string& command = words[0];
  if (command == "pointer" && words.size() == 5) {
    session.Pointer(std::atof(words[1].c_str()), std::atof(words[2].c_str()),
                    static_cast<uint32_t>(std::atoi(words[3].c_str())), static_cast<uint32_t>(std::atoi(words[4].c_str())));
  } else if (command == "click") {
    session.Button(true);
    session.Button(false);
  } else if (command == "press" || command == "release") {
    session.Button(command == "press");
  } else if (command == "keys") {
    session.Keys(std::vector<std::string>(words.begin() + 1, words.end()));
  } else if (command == "layout" && words.size() == 2) {
    session.Layout(static_cast<uint32_t>(std::atoi(words[1].c_str())));
  } else if (command == "wait" && words.size() == 2) {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(words[1].c_str())));
  } else if (command == "kwin-output-off" && words.size() == 2) {
    session.KWinOutputOff(static_cast<size_t>(std::atoi(words[1].c_str())));
  } else if (command == "window" && words.size() == 5) {
    session.Window(std::atoi(words[1].c_str()), std::atoi(words[2].c_str()),
                   static_cast<uint32_t>(std::strtoul(words[3].c_str(), nullptr, 16)), std::atoi(words[4].c_str()));
  } else {
    return false;
  }
  return true;
}

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  size_t at = 0;
  while ((at = line.find_first_not_of(" \t\r\n", at)) != std::string::npos) {
    const size_t end = line.find_first_of(" \t\r\n", at);
    words.push_back(line.substr(at, end - at));
    at = end;
  }
  return words;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) Fail("no command");
  const std::string command = argv[1];
  if (command == "kwin-shot" && argc == 3) {
    KWinShot(argv[2]);
    return 0;
  }
  if (command == "mutter-input") return RunMutterInput(argc - 2, argv + 2);
  TSession session;
  if (command == "session") session.PlugIn();
  if (command != "session") {
    if (!RunCommand(session, std::vector<std::string>(argv + 1, argv + argc))) Fail("unknown command " + command);
    return 0;
  }
  // A session keeps its virtual devices from line to line, as a real mouse and keyboard
  // stay plugged in; each line done is answered with "ok" on stdout.
  char line[1024];
  while (std::fgets(line, sizeof line, stdin) != nullptr) {
    const std::vector<std::string> words = Words(line);
    if (words.empty()) continue;
    if (!RunCommand(session, words)) Fail(std::string("unknown command ") + line);
    std::printf("ok\n");
    std::fflush(stdout);
  }
  return 0;
}
