// The monitor the game plays on: chosen from RandR's list, and the back end's places relative to it, on a real X server with two monitors.
// GoogleTest comes before the X headers, whose macros (None, Bool) break its own.
#include <gtest/gtest.h>

#include <X11/extensions/XTest.h>

#include <cstdlib>

#include "PrivateXServer.h"
#include "X11TestServer.h"
#include "platform/x11/X11Monitors.h"
#include "platform/x11/X11Overlay.h"

namespace {

TEST(TX11MonitorChoice, ThePointersMonitorThenThePrimaryThenTheFirst) {
  const std::vector<TX11Monitor> monitors{
      {1, false, {0, 0, 1280, 1024}}, {2, true, {1280, 0, 800, 600}}, {3, false, {2080, 0, 640, 480}}};
  EXPECT_EQ(ChooseMonitor(monitors, true, 1279, 1023)->Name, 1u);
  EXPECT_EQ(ChooseMonitor(monitors, true, 1280, 0)->Name, 2u) << "the seam belongs to the monitor it begins";
  EXPECT_EQ(ChooseMonitor(monitors, true, 2719, 479)->Name, 3u);
  EXPECT_EQ(ChooseMonitor(monitors, true, 1500, 700)->Name, 2u) << "below the smaller one, on no monitor";
  EXPECT_EQ(ChooseMonitor(monitors, false, 10, 10)->Name, 2u) << "the pointer on another screen";
  const std::vector<TX11Monitor> noPrimary{monitors[0], monitors[2]};
  EXPECT_EQ(ChooseMonitor(noPrimary, true, -5, 10)->Name, 1u);
  EXPECT_EQ(ChooseMonitor({}, true, 10, 10), nullptr);
}

// An X server showing a 1280x1024 monitor and an 800x600 one to its right.
class TX11MonitorsTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { Server = std::make_unique<TDummyXorgServer>(Sizes); }
  static void TearDownTestSuite() { Server.reset(); }

  void SetUp() override {
    Dpy = XOpenDisplay(Server->Name().c_str());
    ASSERT_NE(Dpy, nullptr);
  }
  void TearDown() override {
    Platform.reset();
    XCloseDisplay(Dpy);
  }

  void MakePlatform() {
    setenv("DISPLAY", Server->Name().c_str(), 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::string error;
    Platform.reset(dynamic_cast<TX11Platform*>(CreateX11Platform(error).release()));
    ASSERT_NE(Platform, nullptr) << error;
  }

  void MovePointer(int x, int y) {
    XTestFakeMotionEvent(Dpy, 0, x, y, CurrentTime);
    XSync(Dpy, False);
  }

  TPixelArea Geometry(const TPlatformWindow& window) {
    Window root = None;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    XGetGeometry(Dpy, static_cast<const TX11Window&>(window).Id(), &root, &x, &y, &width, &height, &border, &depth);
    return {x, y, static_cast<int>(width), static_cast<int>(height)};
  }

  static bool Same(const TPixelArea& a, const TPixelArea& b) {
    return a.X == b.X && a.Y == b.Y && a.Width == b.Width && a.Height == b.Height;
  }

  static inline const std::vector<std::pair<int, int>> Sizes{{1280, 1024}, {800, 600}};
  static inline std::unique_ptr<TDummyXorgServer> Server;
  Display* Dpy = nullptr;
  std::unique_ptr<TX11Platform> Platform;
};

TEST_F(TX11MonitorsTest, TheGamePlaysOnTheMonitorHoldingThePointerWhenItStarts) {
  MovePointer(1500, 300);
  MakePlatform();
  EXPECT_EQ(Platform->ScreenSize().Width, 800);
  EXPECT_EQ(Platform->ScreenSize().Height, 600);
  std::unique_ptr<TPlatformWindow> overlay = Platform->CreateWindow(TWindowKind::Overlay);
  overlay->Show();
  EXPECT_TRUE(Same(Geometry(*overlay), {1280, 0, 800, 600}));

  // Positions are the monitor's: the pointer read, the pointer moved, the menu placed.
  int x = 0, y = 0;
  ASSERT_TRUE(Platform->GetPointerPos(x, y));
  EXPECT_EQ(x, 220);
  EXPECT_EQ(y, 300);
  Platform->SetPointerPos(10, 20);
  // The warp goes out on the platform's own connection: a busy server may answer this
  // connection's query before it has run it.
  int rootX = 0, rootY = 0;
  EXPECT_TRUE(WaitUntil([&] {
    Window root = None, child = None;
    int windowX = 0, windowY = 0;
    unsigned buttons = 0;
    XQueryPointer(Dpy, DefaultRootWindow(Dpy), &root, &child, &rootX, &rootY, &windowX, &windowY, &buttons);
    return rootX == 1290 && rootY == 20;
  })) << "the pointer is at " << rootX << "," << rootY;
  std::unique_ptr<TPlatformWindow> menu = Platform->CreateWindow(TWindowKind::Menu);
  menu->SetBounds((800 - 625) / 2, 10, 625, 580);
  XSync(Dpy, False);
  EXPECT_TRUE(Same(Geometry(*menu), {1280 + 87, 10, 625, 580}));

  // What the game draws at its top-left corner shows at the monitor's.
  TTestPicture frame(800, 600);
  frame.Fill(0, 0, 4, 4, 0xFFFF0000);
  overlay->Present(frame.View());
  XSync(Dpy, False);
  XImage* shown = XGetImage(Dpy, DefaultRootWindow(Dpy), 1280, 0, 1, 1, AllPlanes, ZPixmap);
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(XGetPixel(shown, 0, 0) & 0xFFFFFF, 0xFF0000u);
  XDestroyImage(shown);

  // The next game starts with the pointer on the other monitor, and plays there.
  overlay->Hide();
  MovePointer(100, 900);
  overlay->Show();
  EXPECT_EQ(Platform->ScreenSize().Width, 1280);
  EXPECT_EQ(Platform->ScreenSize().Height, 1024);
  EXPECT_TRUE(Same(Geometry(*overlay), {0, 0, 1280, 1024}));
  ASSERT_TRUE(Platform->GetPointerPos(x, y));
  EXPECT_EQ(x, 100);
  EXPECT_EQ(y, 900);
}

TEST_F(TX11MonitorsTest, AMonitorChangedDuringPlayIsFollowedAndOneUnpluggedGivesWayToAnother) {
  MovePointer(300, 300);
  MakePlatform();
  std::unique_ptr<TPlatformWindow> overlay = Platform->CreateWindow(TWindowKind::Overlay);
  overlay->Show();
  ASSERT_EQ(Platform->ScreenSize().Width, 1280);
  // A smaller mode on the monitor played on: the root keeps its size, the monitor shrinks.
  ASSERT_TRUE(Server->RandR({"--output", "DUMMY0", "--mode", "1024x768"}));
  EXPECT_TRUE(WaitUntil([&] { return Platform->ScreenSize().Width == 1024; }, Platform.get()));
  EXPECT_EQ(Platform->ScreenSize().Height, 768);
  EXPECT_TRUE(Same(Geometry(*overlay), {0, 0, 1024, 768}));
  // Gone altogether: the game goes on on the monitor that is left.
  ASSERT_TRUE(Server->RandR({"--output", "DUMMY0", "--off"}));
  EXPECT_TRUE(WaitUntil([&] { return Platform->ScreenSize().Width == 800; }, Platform.get()));
  const std::vector<TX11Monitor> left = ReadMonitors(Dpy, DefaultRootWindow(Dpy));
  ASSERT_EQ(left.size(), 1u);
  EXPECT_TRUE(Same(Geometry(*overlay), left[0].Area));
  ASSERT_TRUE(Server->RandR({"--output", "DUMMY0", "--mode", "1280x1024", "--pos", "0x0", "--primary"}));
}

}  // namespace
