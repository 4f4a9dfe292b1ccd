// The picture behind a window: a device-independent bitmap that frames are copied into
// and that is copied to the screen, whole or in the parts that changed.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win32/Win32Api.h"

class TWin32Surface {
 public:
  TWin32Surface();
  ~TWin32Surface();
  TWin32Surface(const TWin32Surface&) = delete;
  TWin32Surface& operator=(const TWin32Surface&) = delete;

  // An overlay's pictures are premultiplied and shown as a colour-keyed shape: the pixels
  // covered at least half, their colours divided by the coverage; the rest pure black.
  void SetShaped(bool shaped) { Shaped = shaped; }
  // Makes the bitmap Width x Height, black; the last frame is forgotten.
  void Resize(int width, int height);
  int Width() const { return SurfaceWidth; }
  int Height() const { return SurfaceHeight; }
  // Copies Picture (clipped to the surface, the rest black) and sends it to Window.
  void Present(HWND window, const TPixelView& picture);
  // Copies and sends only the Changed parts of Picture, which must be of the surface's
  // size; the first frame after Resize goes whole whatever it names.
  void PresentChanged(HWND window, const TPixelView& picture, const std::vector<TPixelArea>& changed);
  // Paints the part of the last frame that Paint asks for (a WM_PAINT).
  void Paint(HDC target, const RECT& area) const;
  // The last frame as the window shows it: red, green and blue, pure black see-through.
  TPixelView LastFrame() const;

 private:
  void CopyArea(const TPixelView& picture, const TPixelArea& area);
  void Send(HWND window, const std::vector<TPixelArea>& areas) const;

  HDC MemoryDc = nullptr;
  HBITMAP Bitmap = nullptr;
  HGDIOBJ OldBitmap = nullptr;
  uint32_t* Bits = nullptr;
  int SurfaceWidth = 0;
  int SurfaceHeight = 0;
  bool HasFrame = false;
  bool Shaped = false;
  std::vector<TPixelArea> Parts;  // kept between frames to save the allocation
};
