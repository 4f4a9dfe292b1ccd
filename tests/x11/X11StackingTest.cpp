// The game's windows among other programs' on a real X server: above ordinary windows, never in a raise war with one that keeps itself on top, and still while the screen is locked.
// GoogleTest comes before the X headers, whose macros (None, Bool) break its own.
#include <gtest/gtest.h>

#include <X11/extensions/scrnsaver.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>

#include "X11TestServer.h"
#include "app/GameSession.h"
#include "platform/x11/X11Window.h"
#include "support/Timing.h"

namespace {

using TClock = std::chrono::steady_clock;

long ElapsedMs(TClock::time_point since) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - since).count());
}

// A window of another program over the whole screen that keeps itself on top as screen
// lockers do: whenever another window is mapped or restacked, it raises itself again at
// once. As a locker it holds the keyboard too. It lives in a process of its own.
class TSelfRaiser {
 public:
  TSelfRaiser(const std::string& display, bool holdKeyboard) {
    int ready[2];
    if (pipe(ready) != 0) return;
    Pid = fork();
    if (Pid == 0) {
      close(ready[0]);
      Run(display, holdKeyboard, ready[1]);
    }
    close(ready[1]);
    char byte = 0;
    // Its window is up (and the keyboard held) once it says so.
    if (read(ready[0], &byte, 1) != 1) End();
    close(ready[0]);
  }
  ~TSelfRaiser() { End(); }
  // Unmaps its window, lets the keyboard go and ends.
  void End() {
    if (Pid <= 0) return;
    kill(Pid, SIGTERM);
    waitpid(Pid, nullptr, 0);
    Pid = -1;
  }
  bool Running() const { return Pid > 0; }

 private:
  [[noreturn]] static void Run(const std::string& display, bool holdKeyboard, int ready) {
    signal(SIGTERM, SIG_DFL);
    Display* dpy = XOpenDisplay(display.c_str());
    if (dpy == nullptr) _exit(1);
    const Window root = DefaultRootWindow(dpy);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = 0x808080;
    const Window own = XCreateWindow(dpy, root, 0, 0, TX11TestServer::ScreenWidth, TX11TestServer::ScreenHeight, 0,
                                     CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel,
                                     &attributes);
    XSelectInput(dpy, root, SubstructureNotifyMask);
    XMapRaised(dpy, own);
    XSync(dpy, False);
    if (holdKeyboard) {
      for (int tries = 0; tries < 100; ++tries) {
        if (XGrabKeyboard(dpy, own, True, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess) break;
        usleep(10000);
      }
    }
    XSync(dpy, False);
    [[maybe_unused]] const ssize_t said = write(ready, "1", 1);
    close(ready);
    for (;;) {
      while (XPending(dpy) > 0) {
        XEvent event;
        XNextEvent(dpy, &event);
        const bool other = (event.type == ConfigureNotify && event.xconfigure.window != own) ||
                           (event.type == MapNotify && event.xmap.window != own);
        if (other) XRaiseWindow(dpy, own);
      }
      XFlush(dpy);
      pollfd connection{ConnectionNumber(dpy), POLLIN, 0};
      poll(&connection, 1, 50);
    }
  }

  pid_t Pid = -1;
};

class TX11StackingTest : public testing::Test {
 protected:
  void SetUp() override {
    Client = std::make_unique<TX11TestClient>(TX11TestServer::Shared(false));
    Platform = Client->MakePlatform();
    ASSERT_NE(Platform, nullptr);
    // The test hears every window of the screen being restacked.
    XSelectInput(Client->Dpy(), Client->Root(), SubstructureNotifyMask);
    Overlay = Platform->CreateWindow(TWindowKind::Overlay);
    Overlay->Show();
    Client->Sync();
  }

  void TearDown() override {
    Overlay.reset();
    InstallPlatform(nullptr);
    Platform.reset();
    Client.reset();
  }

  Window OverlayId() const { return static_cast<TX11Window*>(Overlay.get())->Id(); }

  // Plays for Ms as the game does (its timers ask to come to the front every 200 ms while
  // another program has the focus) and counts the game's restacks of its window.
  int RaisesWhilePlaying(int ms) {
    Client->Sync();
    while (XPending(Client->Dpy()) > 0) {
      XEvent event;
      XNextEvent(Client->Dpy(), &event);
    }
    int raises = 0;
    const auto start = TClock::now();
    auto asked = start;
    while (ElapsedMs(start) < ms) {
      Platform->ProcessMessages();
      if (ElapsedMs(asked) >= 200) {
        Platform->BringToFront();
        asked = TClock::now();
      }
      Platform->WaitForMessage(10);
      while (XPending(Client->Dpy()) > 0) {
        XEvent event;
        XNextEvent(Client->Dpy(), &event);
        if (event.type == ConfigureNotify && event.xconfigure.window == OverlayId()) ++raises;
      }
    }
    return raises;
  }

  bool OverlayOnTop() {
    const std::vector<Window> stacked = Client->StackedWindows();
    return !stacked.empty() && stacked.back() == OverlayId();
  }

  std::unique_ptr<TX11TestClient> Client;
  std::unique_ptr<TX11Platform> Platform;
  std::unique_ptr<TPlatformWindow> Overlay;
};

TEST_F(TX11StackingTest, AnOrdinaryWindowIsCoveredAtOnceAndAWindowThatKeepsItselfOnTopIsLeftThereAfterAFewRaises) {
  // An application raised over the game (a click on it raises it): the game is on top
  // again at once, with one raise.
  const Window other = Client->MakeWindow(100, 100, 300, 200, 0x204060);
  EXPECT_EQ(RaisesWhilePlaying(600), 1);
  EXPECT_TRUE(OverlayOnTop());
  // Nothing covers the game now: its timers' wishes to come to the front raise nothing.
  EXPECT_EQ(RaisesWhilePlaying(1000), 0);
  XDestroyWindow(Client->Dpy(), other);

  TSelfRaiser raiser(TX11TestServer::Shared(false).Name(), false);
  ASSERT_TRUE(raiser.Running());
  const int raises = RaisesWhilePlaying(5000);
  EXPECT_LE(raises, 4) << "a raise war";
  EXPECT_GE(raises, 1) << "the game never tried to come to the front";
  EXPECT_FALSE(OverlayOnTop());
  EXPECT_FALSE(Platform->ScreenLocked()) << "a window on top alone does not lock the screen";
  // Once it has gone, the game comes to the front at once again.
  raiser.End();
  const Window later = Client->MakeWindow(0, 0, 200, 200, 0x204060);
  EXPECT_EQ(RaisesWhilePlaying(400), 1);
  EXPECT_TRUE(OverlayOnTop());
  XDestroyWindow(Client->Dpy(), later);
}

TEST_F(TX11StackingTest, AScreenLockerThatHoldsTheKeyboardIsNeverCoveredAndLocksTheScreenUntilItEnds) {
  TSelfRaiser locker(TX11TestServer::Shared(false).Name(), true);
  ASSERT_TRUE(locker.Running());
  EXPECT_EQ(RaisesWhilePlaying(2000), 0) << "raised over the locker";
  EXPECT_TRUE(Platform->ScreenLocked());
  locker.End();
  EXPECT_TRUE(WaitUntil([&] { return !Platform->ScreenLocked(); }, Platform.get(), 2000)) << "still locked after the unlock";
}

TEST_F(TX11StackingTest, WhileTheScreenSaverRunsTheScreenIsLockedAndNothingIsRaised) {
  const Window other = Client->MakeWindow(100, 100, 300, 200, 0x204060);
  XForceScreenSaver(Client->Dpy(), ScreenSaverActive);
  Client->Sync();
  EXPECT_TRUE(WaitUntil([&] { return Platform->ScreenLocked(); }, Platform.get(), 2000));
  EXPECT_EQ(RaisesWhilePlaying(1000), 0) << "raised over the screen saver";
  XForceScreenSaver(Client->Dpy(), ScreenSaverReset);
  Client->Sync();
  EXPECT_TRUE(WaitUntil([&] { return !Platform->ScreenLocked(); }, Platform.get(), 2000));
  // The game comes back to the front over the window that covered it meanwhile.
  EXPECT_TRUE(WaitUntil([&] { return OverlayOnTop(); }, Platform.get(), 1000));
  XDestroyWindow(Client->Dpy(), other);
}

// The whole game on the X server: the screen saver starts during play and stops again.
TEST(TX11LockedGame, AGameHeldWhileTheScreenSaverRunsGoesOnWithTheSameLivesScoreAndClock) {
  TX11TestClient client(TX11TestServer::Shared(false));
  std::unique_ptr<TX11Platform> platform = client.MakePlatform();
  ASSERT_NE(platform, nullptr);
  client.MovePointer(TX11TestServer::ScreenWidth / 2, TX11TestServer::ScreenHeight / 2);
  struct TState {
    int32_t Lives = 0, Score = 0, Level = 0;
    uint32_t Clock = 0;
  };
  TState before, after;
  {
    TGameSession session(*platform);
    TWorldForm& world = session.World();
    const auto start = TClock::now();
    constexpr long SaverAt = 1500, SaverEnd = 4500, End = 6000;
    const auto state = [&world] { return TState{world.Lives, world.Score, world.LevelNumber, Now()}; };
    TTimer director(20, [&] {
      const long since = ElapsedMs(start);
      if (since >= SaverAt && before.Clock == 0) {
        before = state();
        XForceScreenSaver(client.Dpy(), ScreenSaverActive);
        client.Sync();
      }
      if (since >= SaverEnd && after.Clock == 0) {
        after = state();
        XForceScreenSaver(client.Dpy(), ScreenSaverReset);
        client.Sync();
      }
      if (since >= End) world.Quit = true;
    });
    world.ResetGame();
    world.PlayGame();
    ASSERT_NE(after.Clock, 0u);
    EXPECT_GE(Now() - after.Clock, 1000u) << "the game did not go on after the screen saver";
  }
  EXPECT_EQ(after.Lives, before.Lives);
  EXPECT_EQ(after.Score, before.Score);
  EXPECT_EQ(after.Level, before.Level);
  EXPECT_LT(after.Clock - before.Clock, 500u) << "the game's clock ran while the screen saver did";
  InstallPlatform(nullptr);
}

}  // namespace
