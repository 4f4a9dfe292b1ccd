// A 32-bit top-down DIB section as the window's picture; frames go to the screen with BitBlt.
#include "platform/win32/Win32Surface.h"

#include <algorithm>
#include <cstring>

#include "platform/Coverage.h"

TWin32Surface::TWin32Surface() : MemoryDc(CreateCompatibleDC(nullptr)) {}

TWin32Surface::~TWin32Surface() {
  if (OldBitmap != nullptr) SelectObject(MemoryDc, OldBitmap);
  if (Bitmap != nullptr) DeleteObject(Bitmap);
  if (MemoryDc != nullptr) DeleteDC(MemoryDc);
}

void TWin32Surface::Resize(int width, int height) {
  HasFrame = false;
  if (width == SurfaceWidth && height == SurfaceHeight && Bitmap != nullptr) return;
  if (OldBitmap != nullptr) SelectObject(MemoryDc, OldBitmap);
  if (Bitmap != nullptr) DeleteObject(Bitmap);
  Bitmap = nullptr;
  OldBitmap = nullptr;
  Bits = nullptr;
  SurfaceWidth = std::max(width, 0);
  SurfaceHeight = std::max(height, 0);
  if (SurfaceWidth == 0 || SurfaceHeight == 0) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = SurfaceWidth;
  info.bmiHeader.biHeight = -SurfaceHeight;  // negative: rows top to bottom, as our pictures are
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  Bitmap = CreateDIBSection(MemoryDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (Bitmap == nullptr) return;
  Bits = static_cast<uint32_t*>(bits);
  OldBitmap = SelectObject(MemoryDc, Bitmap);
  std::memset(Bits, 0, static_cast<size_t>(SurfaceWidth) * SurfaceHeight * 4);
}

void TWin32Surface::CopyArea(const TPixelView& picture, const TPixelArea& area) {
  for (int y = area.Y; y < area.Y + area.Height; ++y) {
    uint32_t* out = Bits + static_cast<size_t>(y) * SurfaceWidth + area.X;
    if (y >= picture.Height) {
      std::fill(out, out + area.Width, 0u);
      continue;
    }
    const uint32_t* in = picture.Row(y) + area.X;
    const int inside = std::clamp(picture.Width - area.X, 0, area.Width);
    // GDI shows red, green and blue; the colour key compares exactly those with black.
    if (Shaped) {
      ShapedFromPremultiplied(in, out, inside);
      for (int x = 0; x < inside; ++x) out[x] &= 0xFFFFFFu;
    } else {
      for (int x = 0; x < inside; ++x) out[x] = in[x] & 0xFFFFFFu;
    }
    std::fill(out + inside, out + area.Width, 0u);
  }
}

void TWin32Surface::Send(HWND window, const std::vector<TPixelArea>& areas) const {
  HDC target = GetDC(window);
  if (target == nullptr) return;
  for (const TPixelArea& a : areas) BitBlt(target, a.X, a.Y, a.Width, a.Height, MemoryDc, a.X, a.Y, SRCCOPY);
  ReleaseDC(window, target);
}

void TWin32Surface::Present(HWND window, const TPixelView& picture) {
  if (Bits == nullptr) return;
  const TPixelArea whole{0, 0, SurfaceWidth, SurfaceHeight};
  CopyArea(picture, whole);
  HasFrame = true;
  Send(window, {whole});
}

void TWin32Surface::PresentChanged(HWND window, const TPixelView& picture, const std::vector<TPixelArea>& changed) {
  if (!HasFrame) {
    Present(window, picture);
    return;
  }
  if (Bits == nullptr) return;
  Parts.clear();
  for (const TPixelArea& a : changed) {
    const int left = std::max(a.X, 0), top = std::max(a.Y, 0);
    const int right = std::min(a.X + a.Width, SurfaceWidth), bottom = std::min(a.Y + a.Height, SurfaceHeight);
    if (right > left && bottom > top) Parts.push_back({left, top, right - left, bottom - top});
  }
  for (const TPixelArea& a : Parts) CopyArea(picture, a);
  Send(window, Parts);
}

void TWin32Surface::Paint(HDC target, const RECT& area) const {
  if (Bits == nullptr) return;
  BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, MemoryDc, area.left, area.top,
         SRCCOPY);
}

TPixelView TWin32Surface::LastFrame() const {
  if (!HasFrame || Bits == nullptr) return {};
  return {Bits, SurfaceWidth, SurfaceHeight, SurfaceWidth};
}
