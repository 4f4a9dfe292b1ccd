// Pointer and keys inside a mutter session through its remote-desktop interface, for the XWayland tests.
#include <gio/gio.h>
#include <linux/input-event-codes.h>
#include <xkbcommon/xkbcommon.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

constexpr const char* Service = "org.gnome.Mutter.RemoteDesktop";
constexpr const char* SessionInterface = "org.gnome.Mutter.RemoteDesktop.Session";

bool Call(GDBusConnection* bus, const std::string& path, const char* interface, const char* method,
          GVariant* parameters, GVariant** answer = nullptr) {
  GError* error = nullptr;
  GVariant* result = g_dbus_connection_call_sync(bus, Service, path.c_str(), interface, method, parameters, nullptr,
                                                 G_DBUS_CALL_FLAGS_NONE, 10000, nullptr, &error);
  if (result == nullptr) {
    std::fprintf(stderr, "blastover-wayland-probe: %s: %s\n", method, error->message);
    g_error_free(error);
    return false;
  }
  if (answer != nullptr) *answer = result;
  else g_variant_unref(result);
  return true;
}

}  // namespace

// Commands, run in order in one session (mutter ends a session when its caller goes):
// "move DX DY" (relative), "corner" (to the top-left corner), "click", "key NAME", "wait MS".
int RunMutterInput(int argc, char** argv) {
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (bus == nullptr) return 2;
  GVariant* created = nullptr;
  if (!Call(bus, "/org/gnome/Mutter/RemoteDesktop", Service, "CreateSession", nullptr, &created)) return 2;
  const gchar* sessionPath = nullptr;
  g_variant_get(created, "(&o)", &sessionPath);
  const std::string session = sessionPath;
  if (!Call(bus, session, SessionInterface, "Start", nullptr)) return 2;
  // The session's virtual devices come a moment after it starts; events before are lost.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  for (int i = 0; i < argc; ++i) {
    const std::string command = argv[i];
    bool ok = true;
    if (command == "move" && i + 2 < argc) {
      ok = Call(bus, session, SessionInterface, "NotifyPointerMotionRelative",
                g_variant_new("(dd)", std::atof(argv[i + 1]), std::atof(argv[i + 2])));
      i += 2;
    } else if (command == "corner") {
      ok = Call(bus, session, SessionInterface, "NotifyPointerMotionRelative", g_variant_new("(dd)", -100000.0, -100000.0));
    } else if (command == "click") {
      ok = Call(bus, session, SessionInterface, "NotifyPointerButton", g_variant_new("(ib)", BTN_LEFT, TRUE)) &&
           Call(bus, session, SessionInterface, "NotifyPointerButton", g_variant_new("(ib)", BTN_LEFT, FALSE));
    } else if (command == "key" && i + 1 < argc) {
      const xkb_keysym_t symbol = xkb_keysym_from_name(argv[++i], XKB_KEYSYM_NO_FLAGS);
      ok = Call(bus, session, SessionInterface, "NotifyKeyboardKeysym", g_variant_new("(ub)", symbol, TRUE)) &&
           Call(bus, session, SessionInterface, "NotifyKeyboardKeysym", g_variant_new("(ub)", symbol, FALSE));
    } else if (command == "wait" && i + 1 < argc) {
      std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[++i])));
    } else {
      std::fprintf(stderr, "blastover-wayland-probe: unknown input command %s\n", command.c_str());
      return 2;
    }
    if (!ok) return 2;
    // Lets mutter pass each event on before the next.
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
  }
  Call(bus, session, SessionInterface, "Stop", nullptr);
  return 0;
}
