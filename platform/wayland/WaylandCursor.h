// The pointer's picture over our own surfaces: the gun during play, the theme's arrow elsewhere.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/Platform.h"

struct wl_buffer;
struct wl_cursor_theme;
struct wl_pointer;
struct wl_surface;

class TWaylandDisplay;
class TWaylandWindow;

// Wayland lets a client choose the cursor only over its own surfaces, and nothing of
// it outlives the client, so nothing has to be given back after a crash. The game's
// surface covers the output during play, so the gun shows wherever the player points.
// Pictures are enlarged to the output's scale so that they stay sharp.
class TWaylandCursor {
 public:
  explicit TWaylandCursor(TWaylandDisplay& connection);
  ~TWaylandCursor();
  TWaylandCursor(const TWaylandCursor&) = delete;
  TWaylandCursor& operator=(const TWaylandCursor&) = delete;

  void UsePointer(wl_pointer* pointer);
  // The pointer entered Window (null: another client's surface) with Serial.
  void Entered(uint32_t serial, const TWaylandWindow* window);
  // Shows the cursor resource Name over the game window from now on; false, changing
  // nothing, when there is no such resource.
  bool Install(const std::string& name);
  // Picture (straight-alpha ARGB) with its hot spot, in place of any installed one.
  bool InstallPicture(const std::string& key, const TPixelView& picture, int hotX, int hotY);
  // The arrow again over every surface of ours.
  void Restore();
  // The key of the picture shown over the game window, empty for the arrow.
  const std::string& Installed() const { return GunKey; }

 private:
  struct TCursorImage {
    wl_buffer* Buffer = nullptr;
    int HotX = 0;  // logical pixels
    int HotY = 0;
  };

  struct TPictureCopy {
    std::vector<uint32_t> Pixels;  // premultiplied
    int Width = 0, Height = 0, HotX = 0, HotY = 0;
  };

  // Shows what the surface under the pointer should show.
  void Apply();
  int CursorScale() const;
  const TCursorImage* Arrow(int scale);
  TCursorImage MakeImage(const TPictureCopy& picture, int scale);

  TWaylandDisplay& Connection;
  wl_pointer* Pointer = nullptr;
  wl_surface* Surface = nullptr;
  uint32_t EnterSerial = 0;
  const TWaylandWindow* Over = nullptr;
  std::string GunKey;
  std::map<std::string, TPictureCopy> Pictures;
  std::map<std::pair<std::string, int>, TCursorImage> Images;  // by key and scale
  std::map<int, wl_cursor_theme*> Themes;                      // by scale
  std::map<int, TCursorImage> Arrows;
};
