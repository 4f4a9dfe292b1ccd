// Frames into a window through MIT-SHM (never into an image the server may still read) or XPutImage.
#include "platform/x11/X11Presenter.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

#include "platform/Coverage.h"
#include "platform/x11/X11Display.h"

namespace {

int HostByteOrder() { return std::endian::native == std::endian::little ? LSBFirst : MSBFirst; }

}  // namespace

TX11Presenter::TX11Presenter(TX11Display& connection, Window window, Visual* visual, int depth,
                             TPixelConversion conversion)
    : Connection(connection), Target(window), TargetVisual(visual), Depth(depth), Conversion(conversion) {
  Context = XCreateGC(Connection.Dpy(), Target, 0, nullptr);
  Shared = Connection.Extensions().Shm && ImageByteOrder(Connection.Dpy()) == HostByteOrder();
}

TX11Presenter::~TX11Presenter() {
  if (TX11Display::ConnectionLost()) return;
  DestroyBuffers();
  XFreeGC(Connection.Dpy(), Context);
}

void TX11Presenter::Resize(int width, int height) {
  DestroyBuffers();
  Width = std::max(width, 0);
  Height = std::max(height, 0);
  Last = -1;
  if (Width == 0 || Height == 0) return;
  BufferCount = 2;
  for (int i = 0; i < BufferCount && Shared; ++i) {
    if (CreateShared(Buffers[i])) continue;
    DestroyBuffers();
    Shared = false;
  }
  if (!Shared) {
    // XPutImage has copied the pixels when it returns, so one image is enough.
    BufferCount = 1;
    CreatePrivate(Buffers[0]);
  }
  const XImage* image = Buffers[0].Image;
  DirectPixels = image->bits_per_pixel == 32 && TargetVisual->red_mask == 0xFF0000 &&
                 TargetVisual->green_mask == 0xFF00 && TargetVisual->blue_mask == 0xFF;
  Blank.assign(static_cast<size_t>(Width), 0);
  if (!DirectPixels) {
    Packer = TPixelPacker(TargetVisual->red_mask, TargetVisual->green_mask, TargetVisual->blue_mask,
                          image->bits_per_pixel);
    if (!Packer.Usable())
      Connection.Warn("the display's pixels of " + std::to_string(image->bits_per_pixel) +
                      " bits are not supported: the game shows nothing");
    FrameCopy.assign(static_cast<size_t>(Width) * Height, 0);
  }
}

bool TX11Presenter::CreateShared(TBuffer& buffer) {
  Display* dpy = Connection.Dpy();
  buffer.Image = XShmCreateImage(dpy, TargetVisual, static_cast<unsigned>(Depth), ZPixmap, nullptr, &buffer.Segment,
                                 static_cast<unsigned>(Width), static_cast<unsigned>(Height));
  if (buffer.Image == nullptr) return false;
  const size_t bytes = static_cast<size_t>(buffer.Image->bytes_per_line) * buffer.Image->height;
  buffer.Segment.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (buffer.Segment.shmid < 0) {
    Connection.Warn("cannot make shared memory for frames: they are sent with XPutImage");
    return false;
  }
  void* address = shmat(buffer.Segment.shmid, nullptr, 0);
  if (address == reinterpret_cast<void*>(-1)) {
    shmctl(buffer.Segment.shmid, IPC_RMID, nullptr);
    buffer.Segment.shmid = -1;
    Connection.Warn("cannot map shared memory for frames: they are sent with XPutImage");
    return false;
  }
  buffer.Segment.shmaddr = buffer.Image->data = static_cast<char*>(address);
  buffer.Segment.readOnly = False;
  bool attached = false;
  {
    // A server on another machine cannot reach our memory and answers BadAccess.
    TX11ErrorTrap trap(dpy);
    attached = XShmAttach(dpy, &buffer.Segment) && !trap.Failed();
  }
  // Once both sides are attached (or the attach failed) the segment can be marked for
  // removal: it then disappears with the last detach, even if the program is killed.
  shmctl(buffer.Segment.shmid, IPC_RMID, nullptr);
  if (!attached) {
    shmdt(address);
    buffer.Segment.shmaddr = buffer.Image->data = nullptr;
    buffer.Segment.shmid = -1;
    Connection.Warn("the X server cannot use MIT-SHM (a remote display?): frames are sent with XPutImage");
    return false;
  }
  std::memset(address, 0, bytes);
  return true;
}

void TX11Presenter::CreatePrivate(TBuffer& buffer) {
  Display* dpy = Connection.Dpy();
  const int bytesPerLine = Width * 4;
  buffer.Memory = std::make_unique<uint32_t[]>(static_cast<size_t>(Width) * Height);
  buffer.Image = XCreateImage(dpy, TargetVisual, static_cast<unsigned>(Depth), ZPixmap, 0,
                              reinterpret_cast<char*>(buffer.Memory.get()), static_cast<unsigned>(Width),
                              static_cast<unsigned>(Height), 32, bytesPerLine);
  // Our pixels are in the machine's order; Xlib swaps them for a server that differs.
  buffer.Image->byte_order = HostByteOrder();
}

void TX11Presenter::DestroyBuffers() {
  Display* dpy = Connection.Dpy();
  for (TBuffer& buffer : Buffers) {
    if (buffer.Image == nullptr) continue;
    if (buffer.Segment.shmaddr != nullptr) {
      // The server handles requests in order: any put from this segment is done
      // before the detach, so the memory can go now.
      XShmDetach(dpy, &buffer.Segment);
      shmdt(buffer.Segment.shmaddr);
    } else {
      buffer.Image->data = nullptr;  // our own memory, freed with the buffer
    }
    XDestroyImage(buffer.Image);
    buffer = TBuffer{};
  }
  BufferCount = 0;
  FrameCopy.clear();
}

Bool TX11Presenter::IsOwnCompletion(Display*, XEvent* event, XPointer self) {
  const auto* presenter = reinterpret_cast<const TX11Presenter*>(self);
  if (event->type != presenter->Connection.Extensions().ShmEventBase + ShmCompletion) return False;
  const auto* done = reinterpret_cast<const XShmCompletionEvent*>(event);
  for (int i = 0; i < presenter->BufferCount; ++i)
    if (presenter->Buffers[i].Segment.shmseg == done->shmseg) return True;
  return False;
}

bool TX11Presenter::HandleEvent(const XEvent& event) {
  if (!Connection.Extensions().Shm || event.type != Connection.Extensions().ShmEventBase + ShmCompletion) return false;
  const auto* done = reinterpret_cast<const XShmCompletionEvent*>(&event);
  for (int i = 0; i < BufferCount; ++i) {
    TBuffer& buffer = Buffers[i];
    if (buffer.Segment.shmseg == done->shmseg && buffer.Pending > 0) --buffer.Pending;
  }
  return true;
}

void TX11Presenter::TakeCompletions() {
  XEvent event;
  while (XCheckIfEvent(Connection.Dpy(), &event, IsOwnCompletion, reinterpret_cast<XPointer>(this)))
    HandleEvent(event);
}

void TX11Presenter::WaitUntilFree(TBuffer& buffer) {
  if (buffer.Pending == 0) return;
  TakeCompletions();
  if (buffer.Pending == 0) return;
  // After a round trip every put sent so far has either been reported done or has
  // failed with an error (and will never be reported): wait no longer in either case.
  XSync(Connection.Dpy(), False);
  TakeCompletions();
  buffer.Pending = 0;
}

void TX11Presenter::Put(TBuffer& buffer, const TPixelArea& area, bool notify) {
  const auto width = static_cast<unsigned>(area.Width), height = static_cast<unsigned>(area.Height);
  if (buffer.Segment.shmaddr != nullptr) {
    XShmPutImage(Connection.Dpy(), Target, Context, buffer.Image, area.X, area.Y, area.X, area.Y, width, height,
                 notify ? True : False);
    if (notify) ++buffer.Pending;
  } else {
    XPutImage(Connection.Dpy(), Target, Context, buffer.Image, area.X, area.Y, area.X, area.Y, width, height);
  }
}

void TX11Presenter::Convert(const TPixelView& picture, TBuffer& buffer) {
  const int columns = std::clamp(picture.Pixels != nullptr ? picture.Width : 0, 0, Width);
  const int rows = std::clamp(picture.Pixels != nullptr ? picture.Height : 0, 0, Height);
  for (int y = 0; y < Height; ++y) {
    const int shown = y < rows ? columns : 0;
    if (shown > 0) WriteRow(buffer, y, 0, picture.Row(y), shown);
    if (shown < Width) WriteRow(buffer, y, shown, Blank.data(), Width - shown);
  }
}

void TX11Presenter::ConvertArea(const TPixelView& picture, TBuffer& buffer, const TPixelArea& area) {
  for (int y = area.Y; y < area.Y + area.Height; ++y) WriteRow(buffer, y, area.X, picture.Row(y) + area.X, area.Width);
}

void TX11Presenter::CopyArea(const TBuffer& from, TBuffer& to, const TPixelArea& area) {
  const int bytesPerPixel = DirectPixels ? 4 : Packer.BytesPerPixel();
  const auto offset = static_cast<ptrdiff_t>(area.X) * bytesPerPixel;
  const auto bytes = static_cast<size_t>(area.Width) * static_cast<size_t>(bytesPerPixel);
  for (int y = area.Y; y < area.Y + area.Height; ++y) {
    const ptrdiff_t row = static_cast<ptrdiff_t>(y) * to.Image->bytes_per_line + offset;
    std::memcpy(to.Image->data + row, from.Image->data + row, bytes);
  }
}

void TX11Presenter::WriteRow(TBuffer& buffer, int y, int x, const uint32_t* in, int count) {
  char* row = buffer.Image->data + static_cast<ptrdiff_t>(y) * buffer.Image->bytes_per_line;
  if (DirectPixels) {
    ConvertRow(in, reinterpret_cast<uint32_t*>(row) + x, count);
    return;
  }
  // Another pixel format: the frame in the window's form is kept for LastFrame and
  // packed from there.
  uint32_t* kept = FrameCopy.data() + static_cast<size_t>(y) * Width + x;
  ConvertRow(in, kept, count);
  Packer.PackRow(kept, row + static_cast<ptrdiff_t>(x) * Packer.BytesPerPixel(), count);
}

void TX11Presenter::ConvertRow(const uint32_t* in, uint32_t* out, int count) const {
  if (Conversion == TPixelConversion::Shaped)
    CoveredFromPremultiplied(in, out, count);
  else
    std::memcpy(out, in, static_cast<size_t>(count) * 4);
}

void TX11Presenter::Written(int index, const std::vector<TPixelArea>* changed) {
  // Past this many parts a whole copy is the cheaper thing to keep track of.
  constexpr size_t MostStaleParts = 4096;
  Buffers[index].StaleAll = false;
  Buffers[index].Stale.clear();
  for (int i = 0; i < BufferCount; ++i) {
    TBuffer& other = Buffers[i];
    if (i == index || other.StaleAll) continue;
    if (changed == nullptr || other.Stale.size() + changed->size() > MostStaleParts) {
      other.StaleAll = true;
      other.Stale.clear();
      continue;
    }
    other.Stale.insert(other.Stale.end(), changed->begin(), changed->end());
  }
  Last = index;
}

void TX11Presenter::Present(const TPixelView& picture) {
  if (BufferCount == 0) return;
  const int next = (Last + 1) % BufferCount;
  TBuffer& buffer = Buffers[next];
  WaitUntilFree(buffer);
  Convert(picture, buffer);
  Written(next, nullptr);
  Put(buffer, {0, 0, Width, Height}, true);
  XFlush(Connection.Dpy());
}

void TX11Presenter::PresentChanged(const TPixelView& picture, const std::vector<TPixelArea>& changed) {
  if (BufferCount == 0) return;
  if (Last < 0 || picture.Pixels == nullptr || picture.Width != Width || picture.Height != Height) {
    Present(picture);
    return;
  }
  std::vector<TPixelArea>& parts = Parts;
  parts.clear();
  for (const TPixelArea& area : changed) {
    const int x0 = std::max(area.X, 0), y0 = std::max(area.Y, 0);
    const int x1 = std::min(area.X + area.Width, Width), y1 = std::min(area.Y + area.Height, Height);
    if (x0 < x1 && y0 < y1) parts.push_back({x0, y0, x1 - x0, y1 - y0});
  }
  const int next = NextForChanges();
  TBuffer& buffer = Buffers[next];
  WaitUntilFree(buffer);
  if (buffer.StaleAll && next != Last) {
    // What it lacks is too much to list: the last frame is copied whole, already
    // converted, and this frame's changes are converted over it.
    CopyArea(Buffers[Last], buffer, {0, 0, Width, Height});
    for (const TPixelArea& area : parts) ConvertArea(picture, buffer, area);
  } else {
    // What this buffer lacks of the last frame is in the buffer that holds it, already
    // converted; only this frame's changes are converted from the picture.
    for (const TPixelArea& area : buffer.Stale) CopyArea(Buffers[Last], buffer, area);
    for (const TPixelArea& area : parts) ConvertArea(picture, buffer, area);
  }
  Written(next, &parts);
  for (size_t i = 0; i < parts.size(); ++i) Put(buffer, parts[i], i + 1 == parts.size());
  XFlush(Connection.Dpy());
}

int TX11Presenter::NextForChanges() {
  // The server is usually done with the last frame's image long before the next frame
  // (the menu draws one every 16 ms or more): the changes then go into that image again,
  // which copies nothing the other image lacks and keeps one image warm in the cache.
  // The other image is written only while the server still reads the last one.
  if (BufferCount < 2) return Last;
  TakeCompletions();
  return Buffers[Last].Pending == 0 ? Last : (Last + 1) % BufferCount;
}

void TX11Presenter::Repaint(int x, int y, int width, int height) {
  if (Last < 0) return;
  const int x0 = std::max(x, 0), y0 = std::max(y, 0);
  const int x1 = std::min(x + width, Width), y1 = std::min(y + height, Height);
  if (x0 >= x1 || y0 >= y1) return;
  Put(Buffers[Last], {x0, y0, x1 - x0, y1 - y0}, true);
  XFlush(Connection.Dpy());
}

TPixelView TX11Presenter::LastFrame() const {
  if (Last < 0) return {};
  if (!DirectPixels) return {FrameCopy.data(), Width, Height, Width};
  const XImage* image = Buffers[Last].Image;
  return {reinterpret_cast<const uint32_t*>(image->data), Width, Height, image->bytes_per_line / 4};
}
