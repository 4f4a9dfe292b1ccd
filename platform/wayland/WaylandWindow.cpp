// Layer surfaces for the game window and the menu: placing, scaling and paced presentation.
#include "platform/wayland/WaylandWindow.h"

#include <wayland-client.h>

#include <algorithm>
#include <climits>
#include <cmath>

#include "fractional-scale-v1-client.h"
#include "platform/wayland/WaylandDisplay.h"
#include "platform/wayland/WaylandInput.h"
#include "viewporter-client.h"
#include "platform/wayland/LayerShellProtocol.h"

namespace {

constexpr uint32_t ScaleDenominator = 120;  // fractional scales come in 120ths
// Past this many damaged parts one rectangle around the whole buffer is cheaper to send.
constexpr size_t MostDamageParts = 64;
// How long a new surface may wait for the compositor to place it.
constexpr int ConfigureWaitMs = 2000;
constexpr int ConfigureStepMs = 20;

void LayerConfigure(void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t width, uint32_t height) {
  static_cast<TWaylandWindow*>(data)->Configure(layer, serial, width, height);
}

void LayerClosed(void* data, zwlr_layer_surface_v1*) { static_cast<TWaylandWindow*>(data)->Closed(); }

const zwlr_layer_surface_v1_listener LayerListener = {LayerConfigure, LayerClosed};

void FrameCallbackDone(void* data, wl_callback*, uint32_t) { static_cast<TWaylandWindow*>(data)->FrameDone(); }

const wl_callback_listener FrameListener = {FrameCallbackDone};

void SurfaceEnter(void* data, wl_surface*, wl_output* output) { static_cast<TWaylandWindow*>(data)->EnteredOutput(output); }

void SurfaceLeave(void*, wl_surface*, wl_output*) {}

const wl_surface_listener SurfaceListener = {SurfaceEnter, SurfaceLeave};

void PreferredScale(void* data, wp_fractional_scale_v1*, uint32_t scale) {
  static_cast<TWaylandWindow*>(data)->PreferredScale(scale);
}

const wp_fractional_scale_v1_listener FractionalScaleListener = {PreferredScale};

}  // namespace

TWaylandWindow::TWaylandWindow(std::shared_ptr<TWaylandDisplay> connection, TWindowKind kind)
    : Connection(std::move(connection)),
      WindowKind(kind),
      Buffers(Connection->Shm(), kind == TWindowKind::Overlay ? TWaylandPixels::Premultiplied : TWaylandPixels::Opaque) {
  Connection->Register(this);
}

TWaylandWindow::~TWaylandWindow() {
  DestroySurface();
  Connection->Unregister(this);
  wl_display_flush(Connection->Handle());
}

double TWaylandWindow::Scale() const {
  if (Scale120 != 0 && Viewport != nullptr) return static_cast<double>(Scale120) / ScaleDenominator;
  return IntegerScale;
}

void TWaylandWindow::SetBounds(int, int, int width, int height) {
  // The overlay always covers its output, and the compositor centres the menu.
  if (WindowKind == TWindowKind::Overlay) return;
  WantedWidth = std::max(width, 1);
  WantedHeight = std::max(height, 1);
  if (Layer == nullptr) return;
  FitBuffers();
  wl_surface_commit(SurfaceHandle);
}

void TWaylandWindow::CreateSurface() {
  wl_output* guess = Connection->Input().LastOutput();
  const TWaylandOutput* output = Connection->FindOutput(guess);
  if (output == nullptr && !Connection->Outputs().empty()) output = Connection->Outputs().front().get();
  IntegerScale = output != nullptr ? output->Scale : 1;
  CurrentOutput = output != nullptr ? output->Handle : nullptr;
  SurfaceHandle = wl_compositor_create_surface(Connection->Compositor());
  wl_surface_add_listener(SurfaceHandle, &SurfaceListener, this);
  if (Connection->Viewporter() != nullptr && Connection->FractionalScale() != nullptr) {
    Viewport = wp_viewporter_get_viewport(Connection->Viewporter(), SurfaceHandle);
    FractionalScale = wp_fractional_scale_manager_v1_get_fractional_scale(Connection->FractionalScale(), SurfaceHandle);
    wp_fractional_scale_v1_add_listener(FractionalScale, &FractionalScaleListener, this);
  }
  // The output is the compositor's choice: the one with the focus, as a new window's would be.
  Layer = zwlr_layer_shell_v1_get_layer_surface(Connection->LayerShell(), SurfaceHandle, nullptr,
                                                ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "blastover");
  zwlr_layer_surface_v1_add_listener(Layer, &LayerListener, this);
  if (WindowKind == TWindowKind::Overlay) {
    zwlr_layer_surface_v1_set_anchor(Layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    // -1: reserves no space and is not moved aside by panels that do; it covers them.
    zwlr_layer_surface_v1_set_exclusive_zone(Layer, -1);
  } else {
    FitBuffers();
  }
  // The game needs Escape whatever the player clicks: the keyboard is its alone. The
  // menu, which may wait for hours, takes it on demand: when shown, or clicked after the
  // player typed elsewhere.
  OnDemand = WindowKind == TWindowKind::Menu &&
             wl_proxy_get_version(reinterpret_cast<wl_proxy*>(Connection->LayerShell())) >=
                 ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_ON_DEMAND_SINCE_VERSION;
  KeyboardGivenUp = false;
  zwlr_layer_surface_v1_set_keyboard_interactivity(Layer, OnDemand ? ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_ON_DEMAND
                                                                   : ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
  wl_surface_commit(SurfaceHandle);
}

void TWaylandWindow::DestroySurface() {
  if (FrameCallback != nullptr) wl_callback_destroy(FrameCallback);
  if (FractionalScale != nullptr) wp_fractional_scale_v1_destroy(FractionalScale);
  if (Viewport != nullptr) wp_viewport_destroy(Viewport);
  if (Layer != nullptr) zwlr_layer_surface_v1_destroy(Layer);
  if (SurfaceHandle != nullptr) {
    Connection->Input().SurfaceGone(SurfaceHandle);
    wl_surface_destroy(SurfaceHandle);
  }
  FrameCallback = nullptr;
  FractionalScale = nullptr;
  Viewport = nullptr;
  Layer = nullptr;
  SurfaceHandle = nullptr;
  Configured = false;
  CloseWaiting = false;
  Waiting = nullptr;
  // The compositor may keep the old buffers a while: fresh ones need no release to wait for.
  Buffers.Resize(Buffers.Width(), Buffers.Height());
}

void TWaylandWindow::Show() {
  Wanted = true;
  if (SurfaceHandle != nullptr) return;
  LastShown = WaylandTickCount();
  CreateSurface();
  Connection->Roundtrip();
  for (int waited = 0; !Configured && SurfaceHandle != nullptr && waited < ConfigureWaitMs; waited += ConfigureStepMs)
    Connection->WaitAndDispatch(ConfigureStepMs);
  if (!Configured) Connection->Warn("the compositor did not place the game's surface");
}

void TWaylandWindow::Hide() {
  Wanted = false;
  if (SurfaceHandle == nullptr) return;
  DestroySurface();
  wl_display_flush(Connection->Handle());
}

void TWaylandWindow::Configure(zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t width, uint32_t height) {
  zwlr_layer_surface_v1_ack_configure(layer, serial);
  // Zero means the size is ours to choose: the menu's, from SetBounds.
  if (width != 0) LogicalWidth = static_cast<int>(width);
  if (height != 0) LogicalHeight = static_cast<int>(height);
  Configured = true;
  // A new size often comes with a new scale (the player changed it): both are taken.
  ReadOutputScale();
  FitBuffers();
}

void TWaylandWindow::Closed() {
  // The compositor took the surface away (its output went): the next frame makes another,
  // on the output the compositor chooses then. Not destroyed yet: events read with this
  // one may name the surface still (the pointer leaving it), and libwayland 1.21 never
  // frees a proxy destroyed while such an event waits.
  CloseWaiting = true;
}

void TWaylandWindow::EventsRun() {
  if (CloseWaiting) DestroySurface();
}

bool TWaylandWindow::FitBuffers() {
  const double scale = Scale();
  if (WindowKind == TWindowKind::Menu && WantedWidth > 0) {
    LogicalWidth = static_cast<int>(std::ceil(WantedWidth / scale));
    LogicalHeight = static_cast<int>(std::ceil(WantedHeight / scale));
    if (Layer != nullptr) zwlr_layer_surface_v1_set_size(Layer, static_cast<uint32_t>(LogicalWidth), static_cast<uint32_t>(LogicalHeight));
  }
  if (SurfaceHandle == nullptr || LogicalWidth == 0) return false;
  const bool fractional = Scale120 != 0 && Viewport != nullptr;
  if (fractional) {
    wl_surface_set_buffer_scale(SurfaceHandle, 1);
    wp_viewport_set_destination(Viewport, LogicalWidth, LogicalHeight);
  } else {
    wl_surface_set_buffer_scale(SurfaceHandle, IntegerScale);
  }
  const int width = static_cast<int>(std::lround(LogicalWidth * scale));
  const int height = static_cast<int>(std::lround(LogicalHeight * scale));
  const TWaylandOutput* output = Connection->FindOutput(CurrentOutput);
  PlacedLeft = output != nullptr && WindowKind == TWindowKind::Menu ? std::max((output->ModeWidth - width) / 2, 0) : 0;
  PlacedTop = output != nullptr && WindowKind == TWindowKind::Menu ? std::max((output->ModeHeight - height) / 2, 0) : 0;
  if (width == Buffers.Width() && height == Buffers.Height() && Configured) return false;
  Buffers.Resize(width, height);
  Waiting = nullptr;
  DamageAll = true;
  return true;
}

bool TWaylandWindow::ReadOutputScale() {
  const TWaylandOutput* known = Connection->FindOutput(CurrentOutput);
  if (known == nullptr || known->Scale == IntegerScale) return false;
  IntegerScale = known->Scale;
  return true;
}

void TWaylandWindow::EnteredOutput(wl_output* output) {
  CurrentOutput = output;
  Connection->Input().NoteOutput(output);
  if (!ReadOutputScale()) return;
  FitBuffers();
  ScaleChanged();
}

void TWaylandWindow::OutputChanged(wl_output* output) {
  if (output != CurrentOutput || SurfaceHandle == nullptr) return;
  // The menu's place and size on the output follow its mode too.
  const bool scaled = ReadOutputScale();
  if (!scaled && WindowKind != TWindowKind::Menu) return;
  FitBuffers();
  ScaleChanged();
  if (WindowKind == TWindowKind::Menu) wl_surface_commit(SurfaceHandle);
}

void TWaylandWindow::PreferredScale(uint32_t scale120) {
  if (scale120 == Scale120) return;
  Scale120 = scale120;
  FitBuffers();
  ScaleChanged();
}

void TWaylandWindow::ScaleChanged() {
  // The menu and the dialogs are sized by the scale: their owner sizes them anew.
  if (WindowKind != TWindowKind::Menu || !OnScreenChanged) return;
  const std::function<void()> handler = OnScreenChanged;
  handler();
}

void TWaylandWindow::OutputRemoved(wl_output* output) {
  if (CurrentOutput == output) CurrentOutput = nullptr;
}

void TWaylandWindow::KeyboardPulledBack() {
  // Such a compositor keeps the keyboard with every layer surface that may take it;
  // one that asks for none lets it go to the window the player chose.
  if (!OnDemand || KeyboardGivenUp) return;
  KeyboardGivenUp = true;
  AskForKeyboard(ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
}

void TWaylandWindow::Clicked() {
  if (!KeyboardGivenUp) return;
  KeyboardGivenUp = false;
  AskForKeyboard(ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_ON_DEMAND);
}

void TWaylandWindow::AskForKeyboard(uint32_t interactivity) {
  if (Layer == nullptr) return;
  zwlr_layer_surface_v1_set_keyboard_interactivity(Layer, interactivity);
  wl_surface_commit(SurfaceHandle);
  wl_display_flush(Connection->Handle());
}

void TWaylandWindow::Present(const TPixelView& picture, const TPixelView*) { Send(picture, nullptr); }

void TWaylandWindow::PresentChanged(const TPixelView& picture, const std::vector<TPixelArea>& changed,
                                    const TPixelView*) {
  Send(picture, &changed);
}

void TWaylandWindow::Send(const TPixelView& picture, const std::vector<TPixelArea>* changed) {
  // Once a second at most: with no output at all the compositor closes each new surface.
  constexpr uint32_t ReopenIntervalMs = 1000;
  if (SurfaceHandle == nullptr && Wanted && WaylandTickCount() - LastShown >= ReopenIntervalMs) Show();
  if (SurfaceHandle == nullptr || !Configured) return;
  // A picture of another size than the buffers (the scale changed meanwhile) is sent whole.
  if (picture.Width != Buffers.Width() || picture.Height != Buffers.Height()) changed = nullptr;
  wl_buffer* written = Buffers.Write(picture, changed);
  AddDamage(written != nullptr ? changed : nullptr);
  if (written == nullptr) return;
  Waiting = written;
  if (FrameCallback == nullptr) Commit();
}

void TWaylandWindow::AddDamage(const std::vector<TPixelArea>* changed) {
  if (DamageAll) return;
  if (changed == nullptr || Damage.size() + changed->size() > MostDamageParts) {
    DamageAll = true;
    Damage.clear();
    return;
  }
  Damage.insert(Damage.end(), changed->begin(), changed->end());
}

void TWaylandWindow::Commit() {
  wl_surface_attach(SurfaceHandle, Waiting, 0, 0);
  if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(SurfaceHandle)) < WL_SURFACE_DAMAGE_BUFFER_SINCE_VERSION) {
    wl_surface_damage(SurfaceHandle, 0, 0, INT32_MAX, INT32_MAX);
  } else if (DamageAll) {
    wl_surface_damage_buffer(SurfaceHandle, 0, 0, Buffers.Width(), Buffers.Height());
  } else {
    for (const TPixelArea& area : Damage) wl_surface_damage_buffer(SurfaceHandle, area.X, area.Y, area.Width, area.Height);
  }
  FrameCallback = wl_surface_frame(SurfaceHandle);
  wl_callback_add_listener(FrameCallback, &FrameListener, this);
  wl_surface_commit(SurfaceHandle);
  Buffers.Attached(Waiting);
  Waiting = nullptr;
  Damage.clear();
  DamageAll = false;
  wl_display_flush(Connection->Handle());
}

void TWaylandWindow::FrameDone() {
  wl_callback_destroy(FrameCallback);
  FrameCallback = nullptr;
  if (Waiting != nullptr) Commit();
}
