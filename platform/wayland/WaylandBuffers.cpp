// Shared-memory buffers: made with memfd, written where they lack the last frame, released by the compositor.
#include "platform/wayland/WaylandBuffers.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t OpaqueAlpha = 0xFF000000u;
// More than two only while the compositor holds both: one being shown, one queued.
constexpr size_t MostBuffers = 4;
// Past this many parts a whole copy is the cheaper thing to keep track of.
constexpr size_t MostStaleParts = 4096;

void BufferRelease(void* data, wl_buffer* buffer) { static_cast<TWaylandBuffers*>(data)->Released(buffer); }

const wl_buffer_listener BufferListener = {BufferRelease};

TPixelArea Clip(const TPixelArea& area, int width, int height) {
  const int left = std::max(area.X, 0), top = std::max(area.Y, 0);
  const int right = std::min(area.X + area.Width, width), bottom = std::min(area.Y + area.Height, height);
  return {left, top, std::max(right - left, 0), std::max(bottom - top, 0)};
}

}  // namespace

TWaylandBuffers::TWaylandBuffers(wl_shm* shm, TWaylandPixels pixels) : Shm(shm), Pixels(pixels) {}

TWaylandBuffers::~TWaylandBuffers() {
  for (const std::unique_ptr<TBuffer>& buffer : Buffers) Destroy(*buffer);
}

void TWaylandBuffers::Resize(int width, int height) {
  for (const std::unique_ptr<TBuffer>& buffer : Buffers) Destroy(*buffer);
  Buffers.clear();
  Last = nullptr;
  BufferWidth = std::max(width, 1);
  BufferHeight = std::max(height, 1);
}

bool TWaylandBuffers::Create(TBuffer& buffer) {
  const int stride = BufferWidth * 4;
  buffer.Bytes = static_cast<size_t>(stride) * static_cast<size_t>(BufferHeight);
  const int file = memfd_create("blastover-frame", MFD_CLOEXEC);
  if (file < 0) return false;
  if (ftruncate(file, static_cast<off_t>(buffer.Bytes)) != 0) {
    close(file);
    return false;
  }
  void* memory = mmap(nullptr, buffer.Bytes, PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
  if (memory == MAP_FAILED) {
    close(file);
    return false;
  }
  buffer.Pixels = static_cast<uint32_t*>(memory);
  wl_shm_pool* pool = wl_shm_create_pool(Shm, file, static_cast<int32_t>(buffer.Bytes));
  const uint32_t format = Pixels == TWaylandPixels::Opaque ? WL_SHM_FORMAT_XRGB8888 : WL_SHM_FORMAT_ARGB8888;
  buffer.Handle = wl_shm_pool_create_buffer(pool, 0, BufferWidth, BufferHeight, stride, format);
  // The buffer keeps the memory; the pool and the file are no longer needed.
  wl_shm_pool_destroy(pool);
  close(file);
  wl_buffer_add_listener(buffer.Handle, &BufferListener, this);
  return true;
}

void TWaylandBuffers::Destroy(TBuffer& buffer) {
  // A buffer the compositor still holds may be destroyed: it keeps its own mapping.
  if (buffer.Handle != nullptr) wl_buffer_destroy(buffer.Handle);
  if (buffer.Pixels != nullptr) munmap(buffer.Pixels, buffer.Bytes);
  buffer = TBuffer{};
}

TWaylandBuffers::TBuffer* TWaylandBuffers::FreeBuffer() {
  // The last one written, when the compositor has not taken it yet, is the cheapest.
  if (Last != nullptr && !Last->Held) return Last;
  for (const std::unique_ptr<TBuffer>& buffer : Buffers)
    if (!buffer->Held) return buffer.get();
  if (Buffers.size() >= MostBuffers) return nullptr;
  auto buffer = std::make_unique<TBuffer>();
  if (!Create(*buffer)) return nullptr;
  Buffers.push_back(std::move(buffer));
  return Buffers.back().get();
}

wl_buffer* TWaylandBuffers::Write(const TPixelView& picture, const std::vector<TPixelArea>* changed) {
  TBuffer* buffer = FreeBuffer();
  if (buffer == nullptr) {
    // Every buffer lacks this frame now; the next one written is written whole.
    for (const std::unique_ptr<TBuffer>& other : Buffers) other->StaleAll = true;
    return nullptr;
  }
  const bool sameSize = picture.Width == BufferWidth && picture.Height == BufferHeight;
  if (changed == nullptr || !sameSize || buffer->StaleAll) {
    WriteAll(picture, *buffer);
  } else {
    for (const TPixelArea& area : buffer->Stale) WriteArea(picture, *buffer, area);
    for (const TPixelArea& area : *changed) WriteArea(picture, *buffer, area);
  }
  Written(*buffer, sameSize ? changed : nullptr);
  return buffer->Handle;
}

void TWaylandBuffers::WriteAll(const TPixelView& picture, TBuffer& buffer) {
  const int width = std::min(picture.Width, BufferWidth);
  for (int y = 0; y < BufferHeight; ++y) {
    uint32_t* out = buffer.Pixels + static_cast<size_t>(y) * static_cast<size_t>(BufferWidth);
    const int copied = y < picture.Height ? width : 0;
    if (copied > 0) std::memcpy(out, picture.Row(y), static_cast<size_t>(copied) * 4);
    std::fill(out + copied, out + BufferWidth, Pixels == TWaylandPixels::Opaque ? OpaqueAlpha : 0u);
  }
}

void TWaylandBuffers::WriteArea(const TPixelView& picture, TBuffer& buffer, const TPixelArea& area) {
  const TPixelArea part = Clip(area, BufferWidth, BufferHeight);
  for (int y = part.Y; y < part.Y + part.Height; ++y)
    std::memcpy(buffer.Pixels + static_cast<size_t>(y) * BufferWidth + part.X, picture.Row(y) + part.X,
                static_cast<size_t>(part.Width) * 4);
}

void TWaylandBuffers::Written(TBuffer& buffer, const std::vector<TPixelArea>* changed) {
  buffer.StaleAll = false;
  buffer.Stale.clear();
  Last = &buffer;
  for (const std::unique_ptr<TBuffer>& other : Buffers) {
    if (other.get() == &buffer || other->StaleAll) continue;
    if (changed == nullptr || other->Stale.size() + changed->size() > MostStaleParts) {
      other->StaleAll = true;
      other->Stale.clear();
      continue;
    }
    other->Stale.insert(other->Stale.end(), changed->begin(), changed->end());
  }
}

void TWaylandBuffers::Attached(wl_buffer* buffer) {
  for (const std::unique_ptr<TBuffer>& candidate : Buffers)
    if (candidate->Handle == buffer) candidate->Held = true;
}

void TWaylandBuffers::Released(wl_buffer* buffer) {
  for (const std::unique_ptr<TBuffer>& candidate : Buffers)
    if (candidate->Handle == buffer) candidate->Held = false;
}

TPixelView TWaylandBuffers::LastFrame() const {
  if (Last == nullptr) return {};
  return {Last->Pixels, BufferWidth, BufferHeight, BufferWidth};
}
