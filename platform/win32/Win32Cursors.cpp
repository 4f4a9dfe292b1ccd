// System cursor replacement with SetSystemCursor, restored with SPI_SETCURSORS on every way out.
#include "platform/win32/Win32Cursors.h"

#include <atomic>
#include <cstring>
#include <exception>
#include <vector>

#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Text.h"

namespace {

// The one set of cursors a process replaces, for the handlers that run on ways out.
std::atomic<TWin32Cursors*> Active{nullptr};
LPTOP_LEVEL_EXCEPTION_FILTER PreviousFilter = nullptr;
std::terminate_handler PreviousTerminate = nullptr;

bool WriteMarker(const std::string& path) {
  std::string error;
  return TWin32FileSystem().SaveFile(path, std::to_string(GetCurrentProcessId()) + "\n", error);
}

}  // namespace

bool TSystemCursors::Replace(HCURSOR cursor, DWORD id) { return SetSystemCursor(cursor, id) != 0; }

void TSystemCursors::RestoreAll() { SystemParametersInfoW(SPI_SETCURSORS, 0, nullptr, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE); }

TWin32Cursors::TWin32Cursors(std::unique_ptr<TSystemCursorCalls> calls, std::string markerPath)
    : Calls(calls ? std::move(calls) : std::make_unique<TSystemCursors>()), MarkerPath(std::move(markerPath)) {
  Active = this;
  PreviousFilter = SetUnhandledExceptionFilter(UnhandledException);
  PreviousTerminate = std::set_terminate(Terminating);
  SetConsoleCtrlHandler(ConsoleEvent, TRUE);
}

TWin32Cursors::~TWin32Cursors() {
  Restore();
  SetConsoleCtrlHandler(ConsoleEvent, FALSE);
  std::set_terminate(PreviousTerminate);
  SetUnhandledExceptionFilter(PreviousFilter);
  Active = nullptr;
}

bool TWin32Cursors::Install(HCURSOR picture) {
  if (picture == nullptr) return false;
  if (!IsReplaced) WriteMarker(MarkerPath);
  IsReplaced = true;
  for (DWORD id = FirstCursorId; id <= LastCursorId; ++id) {
    HCURSOR copy = CopyIcon(picture);
    if (copy == nullptr) continue;
    // A refused identifier leaves the copy ours to destroy.
    if (!Calls->Replace(copy, id)) DestroyCursor(copy);
  }
  return true;
}

void TWin32Cursors::Restore() {
  if (!IsReplaced) return;
  Calls->RestoreAll();
  IsReplaced = false;
  DeleteFilePath(MarkerPath);
}

void TWin32Cursors::RepairAfterKilledRun() {
  if (IsReplaced || !PathExists(MarkerPath)) return;
  IsReplaced = true;
  Restore();
}

void TWin32Cursors::RestoreFromAnywhere() {
  TWin32Cursors* cursors = Active.exchange(nullptr);
  if (cursors != nullptr) cursors->Restore();
}

BOOL WINAPI TWin32Cursors::ConsoleEvent(DWORD) {
  // Runs on a thread of its own; the process ends when it returns.
  RestoreFromAnywhere();
  return FALSE;
}

LONG WINAPI TWin32Cursors::UnhandledException(EXCEPTION_POINTERS* pointers) {
  RestoreFromAnywhere();
  return PreviousFilter != nullptr ? PreviousFilter(pointers) : EXCEPTION_CONTINUE_SEARCH;
}

void TWin32Cursors::Terminating() {
  RestoreFromAnywhere();
  if (PreviousTerminate != nullptr) PreviousTerminate();
  std::abort();
}

HCURSOR MakeCursor(const TPixelView& picture, int hotX, int hotY) {
  if (picture.Pixels == nullptr || picture.Width <= 0 || picture.Height <= 0) return nullptr;
  BITMAPV5HEADER header{};
  header.bV5Size = sizeof header;
  header.bV5Width = picture.Width;
  header.bV5Height = -picture.Height;
  header.bV5Planes = 1;
  header.bV5BitCount = 32;
  header.bV5Compression = BI_BITFIELDS;
  header.bV5RedMask = 0x00FF0000;
  header.bV5GreenMask = 0x0000FF00;
  header.bV5BlueMask = 0x000000FF;
  header.bV5AlphaMask = 0xFF000000;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP colour = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  if (colour == nullptr) return nullptr;
  // Cursors take straight alpha, as our pictures have it.
  for (int y = 0; y < picture.Height; ++y)
    std::memcpy(static_cast<uint32_t*>(bits) + static_cast<size_t>(y) * picture.Width, picture.Row(y),
                static_cast<size_t>(picture.Width) * 4);
  // The alpha channel decides; the mask, all clear, only has to be there.
  const std::vector<uint8_t> clear(static_cast<size_t>((picture.Width + 15) / 16) * 2 * picture.Height, 0);
  HBITMAP mask = CreateBitmap(picture.Width, picture.Height, 1, 1, clear.data());
  ICONINFO info{FALSE, static_cast<DWORD>(hotX), static_cast<DWORD>(hotY), mask, colour};
  HCURSOR cursor = CreateIconIndirect(&info);
  DeleteObject(mask);
  DeleteObject(colour);
  return cursor;
}
