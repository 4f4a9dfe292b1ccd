// The X11 back end under XWayland on mutter, which offers no layer shell: the choice, the gun over native windows, a game.
// GoogleTest comes before the X headers, whose macros (None, Bool) break its own.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/shape.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "CompositorSession.h"
#include "WaylandTestSupport.h"
#include "platform/x11/X11Platform.h"

namespace {

constexpr int Width = 1280, Height = 720;

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

class TXWaylandTest : public testing::Test {
 protected:
  void SetUp() override {
    Session = std::make_unique<TCompositorSession>(TCompositorKind::Mutter);
    std::string why;
    if (!Session->Start(why)) GTEST_SKIP() << "mutter cannot start here: " << why;
    // A native Wayland window in the middle of the output, beneath whatever the game shows.
    Native = Session->Run({ProbePath(), "window", "1000", "600", "3060A0", "300"}, "window.log");
    ASSERT_TRUE(WaitUntil([&] { return Session->ReadFile("window.log").find("shown") != std::string::npos; }, 10000));
    // mutter starts XWayland when the first X client connects, and may never show the
    // windows of that first client: the session's XWayland is started beforehand, as a
    // desktop's own X programs would have done.
    const auto environment = Session->ClientEnvironment();
    setenv("XAUTHORITY", environment.at("XAUTHORITY").c_str(), 1);
    Display* first = XOpenDisplay(environment.at("DISPLAY").c_str());
    unsetenv("XAUTHORITY");
    ASSERT_NE(first, nullptr);
    // mutter's window manager is ready once it has taken a window of ours in hand.
    const Window probe = XCreateSimpleWindow(first, DefaultRootWindow(first), 0, 0, 10, 10, 0, 0, 0);
    XMapWindow(first, probe);
    const Atom wmState = XInternAtom(first, "WM_STATE", False);
    const bool managed = WaitUntil([&] {
      Atom type = 0;
      int format = 0;
      unsigned long items = 0, after = 0;
      unsigned char* data = nullptr;
      XGetWindowProperty(first, probe, wmState, 0, 2, False, AnyPropertyType, &type, &format, &items, &after, &data);
      if (data != nullptr) XFree(data);
      return type != 0;
    }, 10000);
    XCloseDisplay(first);
    ASSERT_TRUE(managed) << "mutter never took an X window in hand";
  }

  void TearDown() override {
    Native.reset();
    Session.reset();
  }

  // Moves the pointer through mutter: into the top-left corner, then by (X, Y).
  void PointerTo(int x, int y) {
    // Twice into the corner: a motion the new session's device is not ready for is lost.
    const std::vector<std::string> command = {ProbePath(), "mutter-input", "corner", "wait", "200", "corner", "move",
                                              std::to_string(x), std::to_string(y), "wait", "200"};
    ASSERT_EQ(Session->RunToEnd(command), 0) << Session->ReadFile("tools.log");
  }

  std::unique_ptr<TCompositorSession> Session;
  std::unique_ptr<TUserProcess> Native;
};


// The windows of the program on the X display: mapped, WM_CLASS "blastover", with their sizes.
std::vector<std::pair<Window, std::pair<int, int>>> ProgramWindows(Display* dpy) {
  std::vector<std::pair<Window, std::pair<int, int>>> found;
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &count)) return found;
  for (unsigned i = 0; i < count; ++i) {
    XClassHint hint{};
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(dpy, children[i], &attributes) || attributes.map_state != IsViewable) continue;
    if (!XGetClassHint(dpy, children[i], &hint)) continue;
    if (std::string(hint.res_name) == "blastover") found.push_back({children[i], {attributes.width, attributes.height}});
    XFree(hint.res_name);
    XFree(hint.res_class);
  }
  if (children != nullptr) XFree(children);
  return found;
}

TEST_F(TXWaylandTest, TheGunFollowsAPointerThatMovesOverANativeWaylandWindow) {
  for (const auto& [name, value] : Session->ClientEnvironment()) setenv(name.c_str(), value.c_str(), 1);
  std::string error;
  std::unique_ptr<TPlatform> platform = CreateX11Platform(error);
  ASSERT_NE(platform, nullptr) << error;
  InstallPlatform(platform.get());
  std::unique_ptr<TPlatformWindow> overlay = platform->CreateWindow(TWindowKind::Overlay);
  overlay->Show();
  // Nearly all black, so nearly all see-through: the native window shows through it.
  std::vector<uint32_t> picture(static_cast<size_t>(Width) * Height, 0xFF000000u);
  for (int row = 20; row < 60; ++row) std::fill_n(picture.begin() + row * Width + 20, 40, 0xFFFF0000u);
  overlay->Present({picture.data(), Width, Height, Width});
  // Until mutter shows the window, the pointer would still meet the native one.
  WaitUntil([&] { platform->ProcessMessages(); return false; }, 800);

  // The game window takes every pointer event: its input shape is the whole window.
  Display* dpy = XOpenDisplay(nullptr);
  ASSERT_NE(dpy, nullptr);
  const auto windows = ProgramWindows(dpy);
  ASSERT_EQ(windows.size(), 1u);
  int count = 0, ordering = 0;
  XRectangle* input = XShapeGetRectangles(dpy, windows[0].first, ShapeInput, &count, &ordering);
  ASSERT_EQ(count, 1);
  EXPECT_EQ(input[0].width, Width);
  EXPECT_EQ(input[0].height, Height);
  XFree(input);

  // mutter's remote desktop may lose the motions of a session that has just started:
  // a move that did not arrive is made again.
  int x = -1, y = -1;
  for (const auto& [wantedX, wantedY] : {std::pair{300, 200}, std::pair{900, 500}}) {
    bool followed = false;
    for (int attempt = 0; attempt < 3 && !followed; ++attempt) {
      PointerTo(wantedX, wantedY);
      followed = WaitUntil([&] { platform->ProcessMessages(); return platform->GetPointerPos(x, y) && x == wantedX && y == wantedY; }, 1500);
    }
    EXPECT_TRUE(followed) << "the pointer is at " << x << "," << y << ", not " << wantedX << "," << wantedY;
  }

  // The gun is the game window's own cursor; no program's cursors are replaced.
  ASSERT_TRUE(platform->InstallCursor("MOUSEFULL"));
  XSync(dpy, False);
  XFixesCursorImage* shown = XFixesGetCursorImage(dpy);
  ASSERT_NE(shown, nullptr);
  int green = 0;
  for (int i = 0; i < shown->width * shown->height; ++i) green += (shown->pixels[i] & 0xFFFFFFu) == 0x00FF00 ? 1 : 0;
  EXPECT_GT(green, 10) << "the cursor over the game window is not the gun";
  XFree(shown);
  Atom type = 0;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  XGetWindowProperty(dpy, DefaultRootWindow(dpy), XInternAtom(dpy, "_BLASTOVER_CURSORS_REPLACED", False), 0, 1, False,
                     AnyPropertyType, &type, &format, &items, &after, &data);
  if (data != nullptr) XFree(data);
  EXPECT_EQ(type, 0u) << "the standard cursors of the display were replaced";
  platform->RestoreCursors();
  XCloseDisplay(dpy);
  overlay.reset();
  InstallPlatform(nullptr);
  platform.reset();
  for (const auto& [name, value] : Session->ClientEnvironment()) unsetenv(name.c_str());
}

TEST_F(TXWaylandTest, WithoutTheLayerShellTheX11BackEndPlaysAndAShotAtQuitBringsTheMenu) {
  TGameRun game(*Session);
  game.Start();
  const std::map<std::string, std::string> environment = Session->ClientEnvironment();
  setenv("XAUTHORITY", environment.at("XAUTHORITY").c_str(), 1);
  Display* dpy = XOpenDisplay(environment.at("DISPLAY").c_str());
  unsetenv("XAUTHORITY");
  ASSERT_NE(dpy, nullptr);
  const auto has = [&](int width, int height) {
    for (const auto& [window, size] : ProgramWindows(dpy))
      if (size == std::pair{width, height}) return true;
    return false;
  };
  EXPECT_TRUE(WaitUntil([&] { return has(Width, Height); }, 10000)) << game.Output();
  const std::string said = game.Output();
  EXPECT_NE(said.find("X11 back end, through XWayland where the compositor runs it (the Wayland compositor offers no "
                      "layer shell"),
            std::string::npos)
      << said;
  EXPECT_NE(said.find("under XWayland: the game window takes all pointer input"), std::string::npos) << said;

  // A shot at the word QUIT at the top ends the game; the menu (625 x 580) comes. The
  // pointer is moved there until the X server sees it there, and then stays: a shot the
  // gun could not fire is fired again from the same place, for on every new way there
  // the gun might touch a bonus whose power mode holds its fire for up to 10 s.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  const auto pointerAt = [&](int x, int y) {
    Window root = None, child = None;
    int atX = 0, atY = 0, windowX = 0, windowY = 0;
    unsigned buttons = 0;
    XQueryPointer(dpy, DefaultRootWindow(dpy), &root, &child, &atX, &atY, &windowX, &windowY, &buttons);
    return atX == x && atY == y;
  };
  for (int attempt = 0; attempt < 3 && !pointerAt(990, 12); ++attempt) PointerTo(990, 12);
  if (!pointerAt(990, 12)) {
    // Now and then, more often on a busy machine, the headless mutter passes XWayland
    // no motion over the game window outside the native window, however long we wait.
    // The gun following over the native window is tested on its own.
    XCloseDisplay(dpy);
    GTEST_SKIP() << "mutter passed no motion at the word QUIT to XWayland";
  }
  bool menu = false;
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!menu && std::chrono::steady_clock::now() < giveUp) {
    // A new session's click goes nowhere until its pointer has moved: it moves a pixel and back.
    ASSERT_EQ(Session->RunToEnd({ProbePath(), "mutter-input", "move", "1", "0", "wait", "200", "move", "-1", "0",
                                 "wait", "200", "click"}),
              0)
        << Session->ReadFile("tools.log");
    menu = WaitUntil([&] { return has(625, 580); }, 2000);
  }
  EXPECT_TRUE(menu) << game.Output();
  XCloseDisplay(dpy);
}

}  // namespace
