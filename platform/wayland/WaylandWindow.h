// The game window and the menu on Wayland: layer surfaces above every ordinary window.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Platform.h"
#include "platform/wayland/WaylandBuffers.h"

struct wl_callback;
struct wl_output;
struct wl_surface;
struct wp_fractional_scale_v1;
struct wp_viewport;
struct zwlr_layer_surface_v1;

class TWaylandDisplay;

// A layer surface on the overlay layer, made when the window is shown and destroyed
// when it is hidden (which gives the pointer and the keyboard back at once):
// - the Overlay is anchored to all four edges of the output the compositor chooses
//   (normally the focused one) and reserves no space; it takes all pointer input (its
//   input region is the whole surface) and the keyboard, so the game sees the pointer
//   everywhere on that output and Escape; its premultiplied picture is blended with
//   what lies beneath by the compositor;
// - the Menu is a centred opaque surface of the size asked for; it takes the keyboard
//   when shown or clicked but, unlike the game, lets the player type into other
//   windows meanwhile (where the compositor offers focus on demand). A compositor that
//   takes the keyboard back from the window the player chose gets a menu that asks for
//   no keyboard until it is clicked again.
// Window pixels are buffer pixels: on an output of scale 2 the window is twice as
// many pixels wide as the compositor's logical size, so the picture stays sharp.
// Frames go out when the compositor asks for the next one (frame callbacks); a frame
// presented before that waits in its buffer, and only the newest is sent.
class TWaylandWindow : public TPlatformWindow {
 public:
  TWaylandWindow(std::shared_ptr<TWaylandDisplay> connection, TWindowKind kind);
  ~TWaylandWindow() override;
  TWaylandWindow(const TWaylandWindow&) = delete;
  TWaylandWindow& operator=(const TWaylandWindow&) = delete;

  void SetBounds(int left, int top, int width, int height) override;
  void Show() override;
  void Hide() override;
  bool IsVisible() const override { return Surface() != nullptr; }
  void Present(const TPixelView& picture, const TPixelView* source = nullptr) override;
  void PresentChanged(const TPixelView& picture, const std::vector<TPixelArea>& changed,
                      const TPixelView* source = nullptr) override;

  TWindowKind Kind() const { return WindowKind; }
  wl_surface* Surface() const { return SurfaceHandle; }
  // The window's size in window pixels; 0 x 0 until the compositor has placed it.
  int PixelWidth() const { return Buffers.Width(); }
  int PixelHeight() const { return Configured ? Buffers.Height() : 0; }
  // Window pixels per logical pixel of the compositor.
  double Scale() const;
  // The window's top-left corner on its output, in window pixels.
  int Left() const { return PlacedLeft; }
  int Top() const { return PlacedTop; }
  // The output the window is shown on, null when not known.
  wl_output* Output() const { return CurrentOutput; }

  // Listener calls.
  void Configure(zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t width, uint32_t height);
  void Closed();
  void FrameDone();
  void EnteredOutput(wl_output* output);
  void PreferredScale(uint32_t scale120);
  void OutputRemoved(wl_output* output);
  void OutputChanged(wl_output* output);
  // The compositor took the keyboard back from another window at once.
  void KeyboardPulledBack();
  // A left click on the window.
  void Clicked();
  // The events read together have all run.
  void EventsRun();

 private:
  void CreateSurface();
  void DestroySurface();
  // Sizes the buffers for the logical size and scale; true when they changed.
  bool FitBuffers();
  // Takes the integer scale of the output the window is on now; true when it changed.
  bool ReadOutputScale();
  void Send(const TPixelView& picture, const std::vector<TPixelArea>* changed);
  void Commit();
  void ScaleChanged();
  void AddDamage(const std::vector<TPixelArea>* changed);
  void AskForKeyboard(uint32_t interactivity);

  std::shared_ptr<TWaylandDisplay> Connection;
  TWindowKind WindowKind;
  TWaylandBuffers Buffers;
  wl_surface* SurfaceHandle = nullptr;
  zwlr_layer_surface_v1* Layer = nullptr;
  wp_viewport* Viewport = nullptr;
  wp_fractional_scale_v1* FractionalScale = nullptr;
  wl_callback* FrameCallback = nullptr;
  wl_output* CurrentOutput = nullptr;
  bool Configured = false;
  bool CloseWaiting = false;     // closed by the compositor; destroyed once the events read have run
  bool OnDemand = false;         // the surface takes the keyboard on demand
  bool KeyboardGivenUp = false;  // and asks for none until it is clicked
  bool Wanted = false;  // shown by the caller, whether or not the compositor still shows it
  uint32_t LastShown = 0;  // tick of the last surface made
  int LogicalWidth = 0;   // as configured by the compositor
  int LogicalHeight = 0;
  int WantedWidth = 0;    // the menu's size in window pixels, from SetBounds
  int WantedHeight = 0;
  int PlacedLeft = 0;
  int PlacedTop = 0;
  int IntegerScale = 1;
  uint32_t Scale120 = 0;  // the compositor's fractional scale in 120ths, 0 when not offered
  wl_buffer* Waiting = nullptr;  // written, not yet sent: the compositor has not asked yet
  bool DamageAll = false;
  std::vector<TPixelArea> Damage;  // what changed since the last commit
};
