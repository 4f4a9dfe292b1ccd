// The Wayland connection: binding the globals, following the outputs, waiting for events.
#include "platform/wayland/WaylandDisplay.h"

#include <poll.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "fractional-scale-v1-client.h"
#include "platform/wayland/WaylandInput.h"
#include "platform/wayland/WaylandWindow.h"
#include "viewporter-client.h"
#include "platform/wayland/LayerShellProtocol.h"

namespace {

// The versions this back end is written against; an older compositor gets what it offers.
constexpr uint32_t CompositorVersion = 4;  // damage in buffer pixels
constexpr uint32_t ShmVersion = 1;
constexpr uint32_t SeatVersion = 5;        // key repeat information, pointer frames
constexpr uint32_t OutputVersion = 2;      // scale
constexpr uint32_t LayerShellVersion = 4;  // keyboard focus on demand

void OutputGeometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*, const char*, int32_t) {}

void OutputMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
  if ((flags & WL_OUTPUT_MODE_CURRENT) == 0) return;
  auto* output = static_cast<TWaylandOutput*>(data);
  output->ModeWidth = width;
  output->ModeHeight = height;
}

void OutputDone(void* data, wl_output* handle) { static_cast<TWaylandOutput*>(data)->Owner->OutputChanged(handle); }

void OutputScale(void* data, wl_output*, int32_t factor) { static_cast<TWaylandOutput*>(data)->Scale = std::max(factor, 1); }

void OutputName(void*, wl_output*, const char*) {}

void OutputDescription(void*, wl_output*, const char*) {}

const wl_output_listener OutputListener = {OutputGeometry, OutputMode, OutputDone, OutputScale, OutputName, OutputDescription};

void RegistryGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
  static_cast<TWaylandDisplay*>(data)->GlobalAdded(registry, name, interface, version);
}

void RegistryGlobalRemove(void* data, wl_registry*, uint32_t name) { static_cast<TWaylandDisplay*>(data)->GlobalRemoved(name); }

const wl_registry_listener RegistryListener = {RegistryGlobal, RegistryGlobalRemove};

template <typename T>
T* Bind(wl_registry* registry, uint32_t name, const wl_interface* interface, uint32_t offered, uint32_t wanted) {
  return static_cast<T*>(wl_registry_bind(registry, name, interface, std::min(offered, wanted)));
}

}  // namespace

uint32_t WaylandTickCount() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

std::unique_ptr<TWaylandDisplay> TWaylandDisplay::Open(std::string& error) {
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    error = std::string("cannot open Wayland display ") + (name != nullptr ? name : "wayland-0") + ": " +
            std::strerror(errno);
    return nullptr;
  }
  std::unique_ptr<TWaylandDisplay> connection(new TWaylandDisplay(display));
  // The first round trip brings the globals, the second what the bound ones say of themselves.
  wl_display_roundtrip(display);
  wl_display_roundtrip(display);
  if (connection->CompositorGlobal == nullptr || connection->ShmGlobal == nullptr) {
    error = "the Wayland compositor offers no wl_compositor or wl_shm";
    return nullptr;
  }
  return connection;
}

TWaylandDisplay::TWaylandDisplay(wl_display* display) : Display(display) {
  SeatInput = std::make_unique<TWaylandInput>(*this);
  Registry = wl_display_get_registry(Display);
  wl_registry_add_listener(Registry, &RegistryListener, this);
}

TWaylandDisplay::~TWaylandDisplay() {
  SeatInput.reset();
  for (const std::unique_ptr<TWaylandOutput>& output : OutputList) wl_output_destroy(output->Handle);
  if (FractionalScaleGlobal != nullptr) wp_fractional_scale_manager_v1_destroy(FractionalScaleGlobal);
  if (ViewporterGlobal != nullptr) wp_viewporter_destroy(ViewporterGlobal);
  if (LayerShellGlobal != nullptr) zwlr_layer_shell_v1_destroy(LayerShellGlobal);
  if (SeatGlobal != nullptr) wl_seat_destroy(SeatGlobal);
  if (ShmGlobal != nullptr) wl_shm_destroy(ShmGlobal);
  if (CompositorGlobal != nullptr) wl_compositor_destroy(CompositorGlobal);
  wl_registry_destroy(Registry);
  wl_display_flush(Display);
  wl_display_disconnect(Display);
}

void TWaylandDisplay::GlobalAdded(wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
  const std::string_view kind(interface);
  if (kind == wl_compositor_interface.name) {
    CompositorGlobal = Bind<wl_compositor>(registry, name, &wl_compositor_interface, version, CompositorVersion);
  } else if (kind == wl_shm_interface.name) {
    ShmGlobal = Bind<wl_shm>(registry, name, &wl_shm_interface, version, ShmVersion);
  } else if (kind == wl_seat_interface.name && SeatGlobal == nullptr) {
    // One seat: the game has one player.
    SeatGlobal = Bind<wl_seat>(registry, name, &wl_seat_interface, version, SeatVersion);
    SeatInput->UseSeat(SeatGlobal);
  } else if (kind == wl_output_interface.name) {
    auto output = std::make_unique<TWaylandOutput>();
    output->Owner = this;
    output->Name = name;
    output->Handle = Bind<wl_output>(registry, name, &wl_output_interface, version, OutputVersion);
    wl_output_add_listener(output->Handle, &OutputListener, output.get());
    OutputList.push_back(std::move(output));
  } else if (kind == zwlr_layer_shell_v1_interface.name) {
    LayerShellGlobal = Bind<zwlr_layer_shell_v1>(registry, name, &zwlr_layer_shell_v1_interface, version, LayerShellVersion);
  } else if (kind == wp_viewporter_interface.name) {
    ViewporterGlobal = Bind<wp_viewporter>(registry, name, &wp_viewporter_interface, version, 1);
  } else if (kind == wp_fractional_scale_manager_v1_interface.name) {
    FractionalScaleGlobal = Bind<wp_fractional_scale_manager_v1>(registry, name, &wp_fractional_scale_manager_v1_interface,
                                                                 version, 1);
  }
}

void TWaylandDisplay::GlobalRemoved(uint32_t name) {
  const auto gone = std::find_if(OutputList.begin(), OutputList.end(),
                                 [name](const std::unique_ptr<TWaylandOutput>& output) { return output->Name == name; });
  if (gone == OutputList.end()) return;
  for (TWaylandWindow* window : Registered) window->OutputRemoved((*gone)->Handle);
  wl_output_destroy((*gone)->Handle);
  OutputList.erase(gone);
}

void TWaylandDisplay::OutputChanged(wl_output* output) {
  for (TWaylandWindow* window : Registered) window->OutputChanged(output);
}

TWaylandOutput* TWaylandDisplay::FindOutput(const wl_output* handle) const {
  for (const std::unique_ptr<TWaylandOutput>& output : OutputList)
    if (output->Handle == handle) return output.get();
  return nullptr;
}

void TWaylandDisplay::CheckConnection() {
  if (!Lost()) return;
  std::fprintf(stderr, "blastover: the Wayland compositor has gone: %s\n", std::strerror(wl_display_get_error(Display)));
  if (OnLost) OnLost();
  std::exit(1);
}

bool TWaylandDisplay::Lost() { return wl_display_get_error(Display) != 0; }

void TWaylandDisplay::DispatchPending() { WaitAndDispatch(0); }

void TWaylandDisplay::WaitAndDispatch(int timeoutMs, int descriptor) {
  // Events already read are run first: waiting on the socket would not see them.
  while (wl_display_prepare_read(Display) != 0) wl_display_dispatch_pending(Display);
  // A full socket buffer leaves requests unsent: the poll below waits until they can go.
  bool unsent = wl_display_flush(Display) < 0 && errno == EAGAIN;
  pollfd descriptors[] = {{wl_display_get_fd(Display), static_cast<short>(POLLIN | (unsent ? POLLOUT : 0)), 0},
                          {descriptor, POLLIN, 0}};
  const int ready = poll(descriptors, descriptor >= 0 ? 2 : 1, timeoutMs);
  if (ready > 0 && (descriptors[0].revents & (POLLIN | POLLERR | POLLHUP)) != 0) {
    wl_display_read_events(Display);
  } else {
    wl_display_cancel_read(Display);
  }
  wl_display_dispatch_pending(Display);
  EventsRun();
  wl_display_flush(Display);
  CheckConnection();
}

void TWaylandDisplay::EventsRun() {
  SeatInput->EventsRun();
  for (TWaylandWindow* window : Registered) window->EventsRun();
}

void TWaylandDisplay::Roundtrip() {
  wl_display_roundtrip(Display);
  EventsRun();
  CheckConnection();
}

void TWaylandDisplay::Warn(const std::string& message) {
  if (!Warned.insert(message).second) return;
  std::fprintf(stderr, "blastover: %s\n", message.c_str());
}

void TWaylandDisplay::Register(TWaylandWindow* window) { Registered.push_back(window); }

void TWaylandDisplay::Unregister(TWaylandWindow* window) {
  Registered.erase(std::remove(Registered.begin(), Registered.end(), window), Registered.end());
}

TWaylandWindow* TWaylandDisplay::FindWindow(const wl_surface* surface) const {
  if (surface == nullptr) return nullptr;
  for (TWaylandWindow* window : Registered)
    if (window->Surface() == surface) return window;
  return nullptr;
}
