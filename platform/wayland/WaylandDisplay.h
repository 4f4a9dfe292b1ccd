// The Wayland connection shared by the back end's parts: the globals the compositor offers, its outputs, warnings.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

struct wl_compositor;
struct wl_display;
struct wl_output;
struct wl_registry;
struct wl_seat;
struct wl_shm;
struct wl_surface;
struct wp_fractional_scale_manager_v1;
struct wp_viewporter;
struct zwlr_layer_shell_v1;

class TWaylandInput;
class TWaylandWindow;

// Milliseconds of the monotonic clock in a 32-bit counter that wraps, as the game's tick count.
uint32_t WaylandTickCount();

// One monitor as the compositor describes it.
class TWaylandDisplay;

struct TWaylandOutput {
  TWaylandDisplay* Owner = nullptr;
  wl_output* Handle = nullptr;
  uint32_t Name = 0;  // the registry's name of the global
  int Scale = 1;      // the integer scale the compositor asks of buffers shown there
  int ModeWidth = 0;  // the current mode, in physical pixels
  int ModeHeight = 0;
};

class TWaylandDisplay {
 public:
  // Connects to the compositor named by WAYLAND_DISPLAY and learns its globals; null
  // with Error set when none answers.
  static std::unique_ptr<TWaylandDisplay> Open(std::string& error);
  ~TWaylandDisplay();
  TWaylandDisplay(const TWaylandDisplay&) = delete;
  TWaylandDisplay& operator=(const TWaylandDisplay&) = delete;

  wl_display* Handle() const { return Display; }
  wl_compositor* Compositor() const { return CompositorGlobal; }
  wl_shm* Shm() const { return ShmGlobal; }
  // Null when the compositor offers no layer shell.
  zwlr_layer_shell_v1* LayerShell() const { return LayerShellGlobal; }
  wp_viewporter* Viewporter() const { return ViewporterGlobal; }
  wp_fractional_scale_manager_v1* FractionalScale() const { return FractionalScaleGlobal; }
  TWaylandInput& Input() const { return *SeatInput; }

  const std::vector<std::unique_ptr<TWaylandOutput>>& Outputs() const { return OutputList; }
  TWaylandOutput* FindOutput(const wl_output* handle) const;

  // Sends what is queued and runs every event that has arrived, without waiting.
  void DispatchPending();
  // Sends what is queued and waits up to TimeoutMs (or until Descriptor, when not -1,
  // is readable) for events, then runs them. Never waits while events are queued.
  void WaitAndDispatch(int timeoutMs, int descriptor = -1);
  // Waits until the compositor has handled every request sent so far, running events.
  void Roundtrip();
  // True once the connection has broken; the program can only end then.
  bool Lost();
  // Runs when the connection is found broken, just before the program ends; it must
  // not use the connection.
  std::function<void()> OnLost;

  // Says Message on stderr, once per distinct message over the connection's life.
  void Warn(const std::string& message);

  // Windows of the back end, so that input can be routed by surface. A window
  // registers itself for its life; the list never owns them.
  void Register(TWaylandWindow* window);
  void Unregister(TWaylandWindow* window);
  TWaylandWindow* FindWindow(const wl_surface* surface) const;
  const std::vector<TWaylandWindow*>& Windows() const { return Registered; }
  // An output told all of a change (its scale, its mode): the windows on it follow.
  void OutputChanged(wl_output* output);

  // The registry's listener needs these.
  void GlobalAdded(wl_registry* registry, uint32_t name, const char* interface, uint32_t version);
  void GlobalRemoved(uint32_t name);

 private:
  explicit TWaylandDisplay(wl_display* display);
  // Every event read has run: the parts that wait for that go on.
  void EventsRun();
  // Dies with a clear line when the compositor goes (nothing can be shown any more),
  // after OnLost has kept what must not be lost.
  void CheckConnection();

  wl_display* Display;
  wl_registry* Registry = nullptr;
  wl_compositor* CompositorGlobal = nullptr;
  wl_shm* ShmGlobal = nullptr;
  wl_seat* SeatGlobal = nullptr;
  zwlr_layer_shell_v1* LayerShellGlobal = nullptr;
  wp_viewporter* ViewporterGlobal = nullptr;
  wp_fractional_scale_manager_v1* FractionalScaleGlobal = nullptr;
  std::vector<std::unique_ptr<TWaylandOutput>> OutputList;
  std::unique_ptr<TWaylandInput> SeatInput;
  std::vector<TWaylandWindow*> Registered;
  std::set<std::string> Warned;
};
