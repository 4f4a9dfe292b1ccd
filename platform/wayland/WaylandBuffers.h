// The frames of one surface in shared memory: written only while the compositor does not hold them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Platform.h"

struct wl_buffer;
struct wl_shm;

// What the buffer's pixels mean to the compositor; they are the picture's, as they are.
enum class TWaylandPixels {
  // XRGB8888: red, green and blue; the alpha byte is not shown (the menu).
  Opaque,
  // ARGB8888, premultiplied as the game window's picture is: the compositor blends it
  // with what lies beneath by its alpha, the coverage of each pixel.
  Premultiplied,
};

// Two buffers, and a third or fourth when the compositor holds on to them. Each knows
// which parts it lacks of the last frame written (the parts changed since it was
// written itself), so a frame that changed in a few places costs the copy of those
// places plus whatever the buffer missed meanwhile.
class TWaylandBuffers {
 public:
  TWaylandBuffers(wl_shm* shm, TWaylandPixels pixels);
  ~TWaylandBuffers();
  TWaylandBuffers(const TWaylandBuffers&) = delete;
  TWaylandBuffers& operator=(const TWaylandBuffers&) = delete;

  // Makes the buffers Width x Height (buffer pixels); the last frame is forgotten.
  void Resize(int width, int height);
  int Width() const { return BufferWidth; }
  int Height() const { return BufferHeight; }

  // Writes Picture into a buffer the compositor does not hold and returns that buffer:
  // only the Changed parts when Changed is given (the picture differs from the last
  // frame nowhere else), else all of it, clipped to the buffers' size and the rest
  // black. Null when no buffer is free and no more can be made; the frame is then lost
  // and the caller must send it whole next time.
  wl_buffer* Write(const TPixelView& picture, const std::vector<TPixelArea>* changed);
  // The compositor now holds Buffer until it releases it.
  void Attached(wl_buffer* buffer);
  // The last frame written, in buffer pixels; empty before the first.
  TPixelView LastFrame() const;
  // Buffers made so far (for tests: a compositor that releases promptly needs two).
  int Count() const { return static_cast<int>(Buffers.size()); }

  // The buffer listener's call.
  void Released(wl_buffer* buffer);

 private:
  struct TBuffer {
    wl_buffer* Handle = nullptr;
    uint32_t* Pixels = nullptr;
    size_t Bytes = 0;
    bool Held = false;  // attached and not yet released by the compositor
    bool StaleAll = true;
    std::vector<TPixelArea> Stale;
  };

  TBuffer* FreeBuffer();
  bool Create(TBuffer& buffer);
  void Destroy(TBuffer& buffer);
  void WriteAll(const TPixelView& picture, TBuffer& buffer);
  void WriteArea(const TPixelView& picture, TBuffer& buffer, const TPixelArea& area);
  // Buffer now holds the last frame whole; the others lack what Changed names
  // (everything when it is null).
  void Written(TBuffer& buffer, const std::vector<TPixelArea>* changed);

  wl_shm* Shm;
  TWaylandPixels Pixels;
  int BufferWidth = 0;
  int BufferHeight = 0;
  std::vector<std::unique_ptr<TBuffer>> Buffers;
  TBuffer* Last = nullptr;
};
