// The Windows back end under Wine on a private X server, seen from outside as a player
// would see it: what the screen shows, where clicks go, what the game's polls read.
// GoogleTest comes before the X headers, whose macros (None, Bool) break its own.
#include <gtest/gtest.h>

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <X11/XKBlib.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "WineProgram.h"
#include "../x11/X11TestServer.h"

namespace {

constexpr uint32_t Desktop = 0x3366CC;  // what lies beneath the overlay
constexpr uint32_t Red = 0xFF0000;
constexpr uint32_t White = 0xFFFFFF;
constexpr int StartupMs = 60000;  // a cold Wine start takes seconds

class TWineDesktopTest : public testing::Test {
 protected:
  void SetUp() override {
    const std::string missing = WineTestsMissing({"blastover-probe.exe"});
    ASSERT_TRUE(missing.empty()) << missing;
    Server = &TX11TestServer::Shared(false);
    EndWineServer();
    Client = std::make_unique<TX11TestClient>(*Server);
    Beneath = Client->MakeWindow(0, 0, TX11TestServer::ScreenWidth, TX11TestServer::ScreenHeight, Desktop,
                                 ButtonPressMask);
    Client->MovePointer(640, 900);
    Probe = std::make_unique<TWineProgram>("blastover-probe.exe", std::vector<std::string>{}, Server->Name());
    ASSERT_FALSE(Probe->Expect("ready", StartupMs).empty()) << Probe->ErrorOutput();
  }

  void TearDown() override {
    if (Probe) {
      Probe->Send("quit");
      EXPECT_EQ(Probe->Wait(), 0) << Probe->ErrorOutput();
    }
    Probe.reset();
    if (Client) XDestroyWindow(Client->Dpy(), Beneath);
    Client.reset();
  }

  // Shows the overlay: black everywhere but a red square at (100, 100), 200 x 150.
  void ShowOverlay() {
    Probe->Send("overlay");
    ASSERT_EQ(Probe->Expect("shown"), "shown 1280 1024");
    ASSERT_TRUE(WaitUntil([&] { return Client->ScreenPixel(150, 150) == Red; }, nullptr, 10000));
  }

  // Clicks the window beneath received since the last call.
  int ClicksBeneath() {
    Client->Sync();
    int clicks = 0;
    XEvent event;
    while (XCheckTypedWindowEvent(Client->Dpy(), Beneath, ButtonPress, &event)) ++clicks;
    return clicks;
  }

  std::string Ask(const std::string& command) {
    Probe->Send(command);
    return Probe->Expect(command.substr(0, 3));
  }

  TX11TestServer* Server = nullptr;
  std::unique_ptr<TX11TestClient> Client;
  Window Beneath = 0;
  std::unique_ptr<TWineProgram> Probe;
};

TEST_F(TWineDesktopTest, TheOverlayCoversTheScreenAndItsBlackShowsWhatLiesBeneath) {
  ShowOverlay();
  EXPECT_EQ(Client->ScreenPixel(299, 249), Red);
  for (const auto& [x, y] : {std::pair{0, 0}, {99, 99}, {300, 250}, {640, 512}, {1279, 1023}})
    EXPECT_EQ(Client->ScreenPixel(x, y), Desktop) << x << "," << y;
  // The overlay is the whole screen's size, at its corner.
  bool covering = false;
  for (const Window window : Client->StackedWindows()) {
    XWindowAttributes a;
    XGetWindowAttributes(Client->Dpy(), window, &a);
    covering = covering || (window != Beneath && a.x == 0 && a.y == 0 && a.width == 1280 && a.height == 1024);
  }
  EXPECT_TRUE(covering);
}

TEST_F(TWineDesktopTest, AClickOnBlackReachesTheWindowBeneathAndAClickOnASpriteDoesNot) {
  ShowOverlay();
  ClicksBeneath();
  Client->MovePointer(640, 512);
  Client->Click(Button1);
  EXPECT_EQ(ClicksBeneath(), 1);
  Client->MovePointer(150, 150);
  Client->Click(Button1);
  EXPECT_EQ(ClicksBeneath(), 0);
}

TEST_F(TWineDesktopTest, AQuickClickBetweenTwoPollsIsCountedOnce) {
  ShowOverlay();
  Client->MovePointer(150, 150);
  EXPECT_EQ(Ask("buttons"), "buttons 0");
  // Pressed and released between two polls, as a quick click between two 100 ms ticks is.
  Client->Click(Button1);
  EXPECT_TRUE(WaitUntil([&] { return Ask("buttons") == "buttons 1"; }, nullptr, 5000));
  EXPECT_EQ(Ask("buttons"), "buttons 0") << "reading clears what was remembered";
  EXPECT_EQ(Ask("pointer"), "pointer 150 150");
}

TEST_F(TWineDesktopTest, WithTheButtonsSwappedTheRightButtonFiresAndTheLeftDoesNot) {
  ShowOverlay();
  Client->MovePointer(150, 150);
  EXPECT_EQ(Ask("swap"), "swapped");
  EXPECT_EQ(Ask("buttons"), "buttons 0");
  // Quick, between two polls: raw input names the mouse's own button.
  Client->Click(Button3);
  EXPECT_TRUE(WaitUntil([&] { return Ask("buttons") == "buttons 1"; }, nullptr, 5000));
  Client->Click(Button1);
  EXPECT_TRUE(WaitUntil([&] { return Ask("buttons") == "buttons 2"; }, nullptr, 5000)) << "the other button fired";
  // Held across polls: the asynchronous state names the mouse's own button too.
  XTestFakeButtonEvent(Client->Dpy(), Button3, True, CurrentTime);
  Client->Sync();
  EXPECT_TRUE(WaitUntil([&] { return Ask("buttons") == "buttons 1"; }, nullptr, 5000));
  EXPECT_EQ(Ask("buttons"), "buttons 1") << "held, it counts at every poll";
  XTestFakeButtonEvent(Client->Dpy(), Button3, False, CurrentTime);
  Client->Sync();
  EXPECT_EQ(Ask("unswap"), "unswapped");
}

TEST_F(TWineDesktopTest, EscapeTappedBetweenTwoPollsIsSeen) {
  ShowOverlay();
  Client->MovePointer(150, 150);
  EXPECT_EQ(Ask("escape"), "escape 0");
  Client->Key(XK_Escape, true);
  Client->Key(XK_Escape, false);
  EXPECT_TRUE(WaitUntil([&] { return Ask("escape") == "escape 1"; }, nullptr, 5000));
  EXPECT_EQ(Ask("escape"), "escape 0");
}

TEST_F(TWineDesktopTest, TheOverlayStaysAboveAWindowOpenedAfterIt) {
  ShowOverlay();
  // Another program's window, opened later, over part of the red square.
  Probe->Send("window");
  ASSERT_EQ(Probe->Expect("window"), "window");
  ASSERT_TRUE(WaitUntil([&] { return Client->ScreenPixel(450, 400) == White; }, nullptr, 10000));
  Ask("raise");
  EXPECT_TRUE(WaitUntil([&] { return Client->ScreenPixel(250, 200) == Red; }, nullptr, 5000))
      << "the square stays above the window";
  EXPECT_EQ(Client->ScreenPixel(450, 400), White) << "the window shows through black";

  // A window of a program Wine knows nothing of, mapped above everything.
  const Window other = Client->MakeWindow(120, 120, 40, 40, 0x00FF00);
  ASSERT_TRUE(WaitUntil([&] { return Client->ScreenPixel(130, 130) == 0x00FF00; }, nullptr, 5000));
  Ask("raise");
  EXPECT_TRUE(WaitUntil([&] { return Client->ScreenPixel(130, 130) == Red; }, nullptr, 5000));
  XDestroyWindow(Client->Dpy(), other);
}

TEST_F(TWineDesktopTest, TheMenuGetsTheGamesKeysAndLeftClicks) {
  Probe->Send("menu");
  ASSERT_EQ(Probe->Expect("menu"), "menu");
  ASSERT_TRUE(WaitUntil([&] { return Client->ScreenPixel(250, 180) == 0x404040; }, nullptr, 10000));
  Client->MovePointer(150, 110);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  for (const KeySym key : {XK_a, XK_7, XK_period, XK_Escape, XK_Return, XK_BackSpace, XK_F1}) {
    Client->Key(key, true);
    Client->Key(key, false);
  }
  Client->Click(Button1);
  Client->Click(Button3);  // only the left button reaches the menu
  const std::string expected = "keys 65 55 27 13 8 112 click:50,30";
  std::string got;
  EXPECT_TRUE(WaitUntil([&] {
    got += Ask("keys").substr(4);
    return "keys" + got == expected;
  }, nullptr, 5000)) << "keys" << got;
}

// Wine learns the keyboard's layout when a program starts: the probe starts again under
// each layout, then keys are pressed at their places (the same codes in X's two numberings).
TEST_F(TWineDesktopTest, TheMenuTypesLettersAndDigitsUnderFrenchGermanAndRussianLayouts) {
  constexpr KeyCode QKey = 24, YKey = 29, OneKey = 10, ZeroKey = 19;
  const auto type = [&](const std::string& layouts, unsigned active) {
    const std::string command = "setxkbmap -display " + Server->Name() + " -layout " + layouts;
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    XkbLockGroup(Client->Dpy(), XkbUseCoreKbd, active);
    Client->Sync();
    Probe->Send("quit");
    EXPECT_EQ(Probe->Wait(), 0) << Probe->ErrorOutput();
    Probe = std::make_unique<TWineProgram>("blastover-probe.exe", std::vector<std::string>{}, Server->Name());
    EXPECT_FALSE(Probe->Expect("ready", StartupMs).empty()) << Probe->ErrorOutput();
    Probe->Send("menu");
    EXPECT_EQ(Probe->Expect("menu"), "menu");
    EXPECT_TRUE(WaitUntil([&] { return Client->ScreenPixel(250, 180) == 0x404040; }, nullptr, 10000));
    Client->MovePointer(150, 110);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    for (const KeyCode place : {QKey, YKey, OneKey, ZeroKey}) {
      Client->KeyAt(place, true);
      Client->KeyAt(place, false);
    }
    std::string got;
    WaitUntil([&] {
      got += Ask("keys").substr(4);
      return got.size() >= 12;
    }, nullptr, 5000);
    return got;
  };
  EXPECT_EQ(type("fr", 0), " 65 89 49 48") << "A, Y, 1, 0";
  EXPECT_EQ(type("de", 0), " 81 90 49 48") << "Q, Z, 1, 0";
  EXPECT_EQ(type("us,ru", 1), " 81 89 49 48") << "Russian active: Q, Y, 1, 0";
  std::system(("setxkbmap -display " + Server->Name() + " -layout us").c_str());
  XkbLockGroup(Client->Dpy(), XkbUseCoreKbd, 0);
  Client->Sync();
}

}  // namespace
