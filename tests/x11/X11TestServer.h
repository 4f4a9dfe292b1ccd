// Private X servers for the X11 back end's tests, and what the tests do with them.
#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "PrivateXServer.h"
#include "platform/x11/X11Platform.h"

// A private X server of the tests' screen size, with picom on it when Compositor is
// set. Ended when destroyed.
class TX11TestServer {
 public:
  static constexpr int ScreenWidth = 1280;
  static constexpr int ScreenHeight = 1024;

  explicit TX11TestServer(bool compositor);

  // One server of each kind per test program, started when first asked for.
  static TX11TestServer& Shared(bool compositor);
  static void StopShared();

  const std::string& Name() const { return Server.Name(); }
  bool Compositor() const { return Server.CompositorRunning(); }
  // Starts picom and waits until it owns the compositor selection.
  void StartCompositor() { Server.StartCompositor(); }
  void StopCompositor() { Server.StopCompositor(); }
  // Ends the X server at once, as a crash or a lost network would.
  void Kill() { Server.Stop(); }
  // Red, green and blue of the screen as the user sees it, the pointer's picture
  // included (a client's view of the root never holds it), row by row.
  std::vector<uint32_t> ShownPixels(int left, int top, int width, int height) const;

 private:
  TPrivateXServer Server;
};

// A client connection of the test itself, and the platform under test on the same server.
class TX11TestClient {
 public:
  explicit TX11TestClient(const TX11TestServer& server);
  ~TX11TestClient();

  Display* Dpy() const { return Handle; }
  Window Root() const { return DefaultRootWindow(Handle); }

  // Sets DISPLAY and makes the platform (failing the test if it cannot).
  std::unique_ptr<TX11Platform> MakePlatform();
  // A mapped override-redirect window in one colour, for what lies beneath.
  Window MakeWindow(int x, int y, int width, int height, uint32_t colour, long eventMask = 0);
  // Red, green and blue of the screen at (X, Y), as a client sees the root.
  uint32_t ScreenPixel(int x, int y);
  // The top-level windows whose WM_CLASS instance is "blastover".
  std::vector<Window> OwnWindows();
  // Children of the root, bottom to top, that are mapped.
  std::vector<Window> StackedWindows();

  void MovePointer(int x, int y);
  void Click(unsigned button);
  void Key(KeySym symbol, bool press);
  // The key at a place of the keyboard, whatever the layout shows on it.
  void KeyAt(KeyCode code, bool press);
  void Sync() { XSync(Handle, False); }

 private:
  const TX11TestServer& Server;
  Display* Handle;
};

// Presses and releases the key from a child process after DelayMs, while the test
// itself may be blocked (in a modal box, say). Returns the child to wait for.
pid_t TapKeyLater(const std::string& display, KeySym symbol, int delayMs);

// Polls Condition every 5 ms for up to TimeoutMs, running the platform's messages
// (when given) between tries; true as soon as it holds.
bool WaitUntil(const std::function<bool()>& condition, TPlatform* platform = nullptr, int timeoutMs = 3000);

// A picture that owns its pixels.
struct TTestPicture {
  int Width = 0;
  int Height = 0;
  std::vector<uint32_t> Pixels;

  TTestPicture(int width, int height, uint32_t colour = 0)
      : Width(width), Height(height), Pixels(static_cast<size_t>(width) * height, colour) {}
  void Fill(int left, int top, int width, int height, uint32_t colour);
  uint32_t At(int x, int y) const { return Pixels[static_cast<size_t>(y) * Width + x]; }
  TPixelView View() const { return {Pixels.data(), Width, Height, Width}; }
};

// A bilinear enlargement sampling at pixel centres, edges repeated.
TTestPicture Enlarge(const TTestPicture& source, int width, int height);

// A cursor as the server shows it: premultiplied ARGB pixels and the hot spot.
struct TCursorPicture {
  int Width = 0, Height = 0, HotX = 0, HotY = 0;
  std::vector<uint32_t> Pixels;
  bool operator==(const TCursorPicture&) const = default;
};

// The cursor the server shows now, wherever the pointer is (empty when it cannot be read).
TCursorPicture CurrentCursor(Display* dpy);
// The program's cursor resource Name as the server shows it once installed: hot spot
// (0, 0), premultiplied. Fails the test when there is no such resource.
TCursorPicture GunCursor(const std::string& name);
// The 14 gun cursors' names.
std::vector<std::string> GunCursorNames();
