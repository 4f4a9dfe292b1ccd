// Cursor pictures on a surface of their own, set for our surfaces when the pointer enters them.
#include "platform/wayland/WaylandCursor.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <wayland-cursor.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/PngCodec.h"
#include "platform/Resources.h"
#include "platform/wayland/WaylandDisplay.h"
#include "platform/wayland/WaylandWindow.h"

namespace {

constexpr int ArrowSize = 24;  // logical pixels, the usual theme size

// A straight-alpha pixel as premultiplied ARGB, as wl_shm's ARGB8888 wants it.
uint32_t Premultiplied(uint32_t pixel) {
  const uint32_t alpha = pixel >> 24;
  const auto scaled = [alpha](uint32_t channel) { return (channel * alpha + 127) / 255; };
  return alpha << 24 | scaled(pixel >> 16 & 0xFF) << 16 | scaled(pixel >> 8 & 0xFF) << 8 | scaled(pixel & 0xFF);
}

wl_buffer* MakeBuffer(wl_shm* shm, const std::vector<uint32_t>& pixels, int width, int height) {
  const size_t bytes = pixels.size() * 4;
  const int file = memfd_create("blastover-cursor", MFD_CLOEXEC);
  if (file < 0) return nullptr;
  if (ftruncate(file, static_cast<off_t>(bytes)) != 0) {
    close(file);
    return nullptr;
  }
  void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
  if (memory == MAP_FAILED) {
    close(file);
    return nullptr;
  }
  std::memcpy(memory, pixels.data(), bytes);
  munmap(memory, bytes);
  wl_shm_pool* pool = wl_shm_create_pool(shm, file, static_cast<int32_t>(bytes));
  wl_buffer* buffer = wl_shm_pool_create_buffer(pool, 0, width, height, width * 4, WL_SHM_FORMAT_ARGB8888);
  wl_shm_pool_destroy(pool);
  close(file);
  return buffer;
}

}  // namespace

TWaylandCursor::TWaylandCursor(TWaylandDisplay& connection) : Connection(connection) {}

TWaylandCursor::~TWaylandCursor() {
  for (const auto& [key, image] : Images) wl_buffer_destroy(image.Buffer);
  for (const auto& [scale, theme] : Themes) wl_cursor_theme_destroy(theme);
  if (Surface != nullptr) wl_surface_destroy(Surface);
}

void TWaylandCursor::UsePointer(wl_pointer* pointer) {
  Pointer = pointer;
  if (Surface == nullptr && Pointer != nullptr) Surface = wl_compositor_create_surface(Connection.Compositor());
}

void TWaylandCursor::Entered(uint32_t serial, const TWaylandWindow* window) {
  EnterSerial = serial;
  Over = window;
  Apply();
}

bool TWaylandCursor::Install(const std::string& name) {
  if (Pictures.count(name) == 0) {
    const std::span<const uint8_t> data = FindResource(TResourceKind::Cursor, name);
    if (data.empty()) return false;
    try {
      const TDecodedPng cursor = DecodePng(data);
      // A PNG carries no hot spot: the cursors point with their top-left corner.
      return InstallPicture(name, {cursor.Pixels.data(), cursor.Width, cursor.Height, cursor.Width}, 0, 0);
    } catch (const EPngError& error) {
      Connection.Warn("cursor " + name + ": " + error.what());
      return false;
    }
  }
  GunKey = name;
  Apply();
  return true;
}

bool TWaylandCursor::InstallPicture(const std::string& key, const TPixelView& picture, int hotX, int hotY) {
  if (picture.Pixels == nullptr || picture.Width <= 0 || picture.Height <= 0) return false;
  TPictureCopy copy{{}, picture.Width, picture.Height, hotX, hotY};
  for (int y = 0; y < picture.Height; ++y)
    for (int x = 0; x < picture.Width; ++x) copy.Pixels.push_back(Premultiplied(picture.Row(y)[x]));
  Pictures[key] = std::move(copy);
  // A picture given anew under an old key replaces the enlargements made of the old one.
  for (auto image = Images.begin(); image != Images.end();) {
    if (image->first.first != key) {
      ++image;
      continue;
    }
    wl_buffer_destroy(image->second.Buffer);
    image = Images.erase(image);
  }
  GunKey = key;
  Apply();
  return true;
}

void TWaylandCursor::Restore() {
  GunKey.clear();
  Apply();
}

int TWaylandCursor::CursorScale() const {
  if (Over == nullptr) return 1;
  return std::max(1, static_cast<int>(Over->Scale() + 0.999));
}

TWaylandCursor::TCursorImage TWaylandCursor::MakeImage(const TPictureCopy& picture, int scale) {
  // Each pixel becomes a Scale x Scale block: the cursors are pixel art.
  const int width = picture.Width * scale, height = picture.Height * scale;
  std::vector<uint32_t> enlarged(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      enlarged[static_cast<size_t>(y) * width + x] = picture.Pixels[static_cast<size_t>(y / scale) * picture.Width + x / scale];
  return {MakeBuffer(Connection.Shm(), enlarged, width, height), picture.HotX, picture.HotY};
}

const TWaylandCursor::TCursorImage* TWaylandCursor::Arrow(int scale) {
  const auto known = Arrows.find(scale);
  if (known != Arrows.end()) return &known->second;
  wl_cursor_theme*& theme = Themes[scale];
  // libwayland-cursor falls back to a built-in arrow when no theme can be found.
  if (theme == nullptr) theme = wl_cursor_theme_load(std::getenv("XCURSOR_THEME"), ArrowSize * scale, Connection.Shm());
  if (theme == nullptr) return nullptr;
  wl_cursor* cursor = wl_cursor_theme_get_cursor(theme, "left_ptr");
  if (cursor == nullptr) cursor = wl_cursor_theme_get_cursor(theme, "default");
  if (cursor == nullptr || cursor->image_count == 0) return nullptr;
  wl_cursor_image* image = cursor->images[0];
  TCursorImage arrow{wl_cursor_image_get_buffer(image), static_cast<int>(image->hotspot_x) / scale,
                     static_cast<int>(image->hotspot_y) / scale};
  return &(Arrows[scale] = arrow);
}

void TWaylandCursor::Apply() {
  if (Pointer == nullptr || Surface == nullptr || Over == nullptr) return;
  const int scale = CursorScale();
  const TCursorImage* shown = nullptr;
  if (!GunKey.empty() && Over->Kind() == TWindowKind::Overlay) {
    auto& image = Images[{GunKey, scale}];
    if (image.Buffer == nullptr) image = MakeImage(Pictures[GunKey], scale);
    shown = image.Buffer != nullptr ? &image : nullptr;
  } else {
    shown = Arrow(scale);
  }
  if (shown == nullptr) return;
  wl_surface_set_buffer_scale(Surface, scale);
  wl_surface_attach(Surface, shown->Buffer, 0, 0);
  wl_surface_damage(Surface, 0, 0, INT32_MAX, INT32_MAX);
  wl_surface_commit(Surface);
  wl_pointer_set_cursor(Pointer, EnterSerial, Surface, shown->HotX, shown->HotY);
  wl_display_flush(Connection.Handle());
}
