// Putting frames into a window: MIT-SHM images, double-buffered, or XPutImage.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Platform.h"
#include "platform/x11/PixelPacker.h"

class TX11Display;

// How the pixels of a picture become the window's pixels.
enum class TPixelConversion {
  // As they are. With the default visual the alpha byte is not shown (the menu); with
  // a 32-bit visual under a compositor the overlay's premultiplied ARGB is blended as it is.
  AsIs,
  // The overlay's premultiplied pixels in the form of a shaped window that has no
  // alpha: colours divided by their coverage wherever the game covers anything (the
  // window's shape decides which of them show), black elsewhere.
  Shaped,
};

class TX11Presenter {
 public:
  TX11Presenter(TX11Display& connection, Window window, Visual* visual, int depth, TPixelConversion conversion);
  ~TX11Presenter();
  TX11Presenter(const TX11Presenter&) = delete;
  TX11Presenter& operator=(const TX11Presenter&) = delete;

  // Makes the images Width x Height; the last frame is forgotten.
  void Resize(int width, int height);
  // Copies Picture (clipped to the window's size, the rest black) and puts it into the window.
  void Present(const TPixelView& picture);
  // Puts only the Changed parts of Picture, which must be of the window's size and
  // differ from the last frame nowhere else.
  void PresentChanged(const TPixelView& picture, const std::vector<TPixelArea>& changed);
  // Puts that part of the last frame again (after an Expose); nothing before the first frame.
  void Repaint(int x, int y, int width, int height);
  // The last frame as presented, in the window's pixel form; empty before the first frame.
  TPixelView LastFrame() const;
  // Takes the completion notices of its own puts; false for any other event.
  bool HandleEvent(const XEvent& event);
  bool UsesShm() const { return Shared; }

 private:
  struct TBuffer {
    XImage* Image = nullptr;
    XShmSegmentInfo Segment{};
    std::unique_ptr<uint32_t[]> Memory;  // the pixels when they are not in shared memory
    int Pending = 0;                     // puts the server has not yet reported done
    // What this buffer lacks of the last frame: the parts changed since it was written.
    bool StaleAll = true;
    std::vector<TPixelArea> Stale;
  };

  bool CreateShared(TBuffer& buffer);
  void CreatePrivate(TBuffer& buffer);
  void DestroyBuffers();
  void WaitUntilFree(TBuffer& buffer);
  void TakeCompletions();
  // Without Notify the server reports nothing; the buffer counts as read once a later
  // put from it is reported, since the server handles requests in order.
  void Put(TBuffer& buffer, const TPixelArea& area, bool notify);
  void Convert(const TPixelView& picture, TBuffer& buffer);
  void ConvertArea(const TPixelView& picture, TBuffer& buffer, const TPixelArea& area);
  // That part of From, in the window's pixel form already, into To.
  void CopyArea(const TBuffer& from, TBuffer& to, const TPixelArea& area);
  void ConvertRow(const uint32_t* in, uint32_t* out, int count) const;
  // Count pixels of In into row Y of Buffer from column X on, in the window's pixel form.
  void WriteRow(TBuffer& buffer, int y, int x, const uint32_t* in, int count);
  // The buffer to write a frame's changed parts into.
  int NextForChanges();
  // Buffer Index now holds the last frame whole; the others lack what Changed names
  // (everything when it is null).
  void Written(int index, const std::vector<TPixelArea>* changed);
  static Bool IsOwnCompletion(Display* dpy, XEvent* event, XPointer self);

  TX11Display& Connection;
  Window Target;
  Visual* TargetVisual;
  int Depth;
  TPixelConversion Conversion;
  GC Context = nullptr;
  bool Shared = false;
  // 32-bit pixels with red, green and blue at bits 16, 8 and 0; other visuals (depth
  // 16, say) are packed by Packer and keep a copy of the frame for LastFrame.
  bool DirectPixels = true;
  TPixelPacker Packer{0xFF0000, 0xFF00, 0xFF, 32};
  std::vector<uint32_t> FrameCopy;
  std::vector<uint32_t> Blank;  // a row of nothing, for what the picture does not reach
  int Width = 0;
  int Height = 0;
  std::array<TBuffer, 2> Buffers;
  int BufferCount = 0;
  int Last = -1;  // buffer holding the last frame
  std::vector<TPixelArea> Parts;  // the changed parts of a frame within the window, kept between frames
};
