// The gun cursors on a real X server: replaced everywhere, drawn where they cannot be, and given back however the program ends.
// GoogleTest comes before the X headers, whose macros (None, Bool) break its own.
#include <gtest/gtest.h>

#include <X11/Xcursor/Xcursor.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <csignal>
#include <cstdlib>
#include <stdexcept>
#include <thread>

#include "ProgramRun.h"
#include "X11TestServer.h"
#include "platform/x11/X11Cursors.h"
#include "platform/x11/X11Guard.h"

// The C library's own allocator, under any allocator a sanitizer puts in its place.
extern "C" void* __libc_malloc(size_t size);
extern "C" void __libc_free(void* memory);

namespace {

constexpr uint32_t Desktop = 0x204060;

// Another application's window under the pointer, with the theme's arrow loaded by name.
class TX11GunCursorTest : public testing::Test {
 protected:
  void SetUp() override {
    Client = std::make_unique<TX11TestClient>(TX11TestServer::Shared(false));
    Dpy = Client->Dpy();
    Other = Client->MakeWindow(0, 0, 800, 600, Desktop, ButtonPressMask);
    XDefineCursor(Dpy, Other, XcursorLibraryLoadCursor(Dpy, "left_ptr"));
    Client->MovePointer(PointerX, PointerY);
    Standard = CurrentCursor(Dpy);
    ASSERT_GT(Standard.Width, 0);
    // What the user sees there: the server draws the pointer only in its framebuffer.
    WaitUntil([&] { return AroundPointer() != std::vector<uint32_t>(AroundPointer().size(), Desktop); });
    StandardShown = AroundPointer();
  }

  void TearDown() override {
    InstallPlatform(nullptr);
    Platform.reset();
    unsetenv("BLASTOVER_NO_XFIXES_CURSORS");
    XDestroyWindow(Dpy, Other);
    Client.reset();
  }

  bool Shows(const TCursorPicture& cursor) {
    return WaitUntil([&] { return CurrentCursor(Dpy) == cursor; }, Platform.get(), 2000);
  }

  std::vector<uint32_t> AroundPointer() {
    return TX11TestServer::Shared(false).ShownPixels(PointerX - 8, PointerY - 8, 48, 48);
  }

  // Once the program that gave the cursors back is gone, XFixes no longer reports the
  // cursor it made (the server still shows it): the screen itself is compared.
  bool ShowsTheStandardArrow() {
    return WaitUntil([&] { return AroundPointer() == StandardShown; }, Platform.get(), 2000);
  }

  static constexpr int PointerX = 300, PointerY = 200;
  std::unique_ptr<TX11TestClient> Client;
  Display* Dpy = nullptr;
  Window Other = None;
  TCursorPicture Standard;
  std::vector<uint32_t> StandardShown;
  std::unique_ptr<TX11Platform> Platform;
};

TEST_F(TX11GunCursorTest, EveryGunCursorReplacesEveryNamedStandardCursorUntilRestored) {
  // Every standard name this server's theme knows, loaded before the game as an
  // application loads its cursors, with the picture it shows. A name the theme lacks
  // gives a cursor of the core font without a name, which nobody can replace.
  struct TLoaded {
    const char* Name;
    Cursor Handle;
    TCursorPicture Picture;
  };
  std::vector<TLoaded> loaded;
  for (const char* name : StandardCursorNames()) {
    const Cursor cursor = XcursorLibraryLoadCursor(Dpy, name);
    if (cursor == None) continue;
    XDefineCursor(Dpy, Other, cursor);
    XFixesCursorImage* image = XFixesGetCursorImage(Dpy);
    const bool named = image != nullptr && image->name != nullptr && std::string(image->name) == name;
    if (image != nullptr) XFree(image);
    if (named) loaded.push_back({name, cursor, CurrentCursor(Dpy)});
    else XFreeCursor(Dpy, cursor);
  }
  ASSERT_GE(loaded.size(), 20u) << "too few standard cursors in this theme for the test to mean much";

  Platform = Client->MakePlatform();
  ASSERT_NE(Platform, nullptr);
  for (const std::string& name : GunCursorNames()) {
    ASSERT_TRUE(Platform->InstallCursor(name)) << name;
    EXPECT_TRUE(Shows(GunCursor(name))) << name;
  }
  // The reload's last step names a cursor that does not exist: nothing changes.
  ASSERT_TRUE(Platform->InstallCursor("MOUSEARROW9"));
  EXPECT_FALSE(Platform->InstallCursor("MOUSEARROW10"));
  EXPECT_FALSE(Platform->InstallCursor(""));
  EXPECT_TRUE(Shows(GunCursor("MOUSEARROW9")));

  ASSERT_TRUE(Platform->InstallCursor("MOUSEFULL"));
  for (const TLoaded& cursor : loaded) {
    XDefineCursor(Dpy, Other, cursor.Handle);
    EXPECT_EQ(CurrentCursor(Dpy), GunCursor("MOUSEFULL")) << cursor.Name << " kept its own picture";
  }
  Platform->RestoreCursors();
  for (const TLoaded& cursor : loaded) {
    XDefineCursor(Dpy, Other, cursor.Handle);
    EXPECT_EQ(CurrentCursor(Dpy), cursor.Picture) << cursor.Name << " was not given back";
  }
  for (const TLoaded& cursor : loaded) XFreeCursor(Dpy, cursor.Handle);
}

TEST_F(TX11GunCursorTest, WithoutReplacementTheGunIsDrawnAtThePointerAboveTheGameAndClicksPassThrough) {
  setenv("BLASTOVER_NO_XFIXES_CURSORS", "1", 1);
  Platform = Client->MakePlatform();
  ASSERT_NE(Platform, nullptr);
  // The game's window, showing a grey square under the pointer.
  std::unique_ptr<TPlatformWindow> overlay = Platform->CreateWindow(TWindowKind::Overlay);
  TTestPicture frame(TX11TestServer::ScreenWidth, TX11TestServer::ScreenHeight);
  frame.Fill(280, 180, 60, 60, 0xFF808080);
  overlay->Show();
  overlay->Present(frame.View());
  Client->MovePointer(300, 200);

  ASSERT_TRUE(Platform->InstallCursor("MOUSEFULL"));
  const TCursorPicture gun = GunCursor("MOUSEFULL");
  const auto gunPixel = [&](int x, int y) { return gun.Pixels[static_cast<size_t>(y) * 32 + x] & 0xFFFFFF; };
  // The tip (black, a colour like any other), the white inside, the green bar.
  const auto drawnAt = [&](int x, int y) {
    return Client->ScreenPixel(x, y) == gunPixel(0, 0) && Client->ScreenPixel(x + 1, y + 2) == gunPixel(1, 2) &&
           Client->ScreenPixel(x + 1, y + 23) == gunPixel(1, 23) && Client->ScreenPixel(x, y + 22) == gunPixel(0, 22);
  };
  EXPECT_EQ(gunPixel(1, 2), 0xFFFFFFu);
  EXPECT_TRUE(WaitUntil([&] { return drawnAt(300, 200); }, Platform.get()));
  EXPECT_EQ(Client->ScreenPixel(300 + 20, 200 + 5), 0x808080u) << "see-through around the arrow";
  EXPECT_EQ(CurrentCursor(Dpy), Standard) << "the server's cursors stay as they were";
  // The user sees the gun over the game and no pointer of the server's on top of it.
  std::vector<uint32_t> expected;
  for (const uint32_t pixel : gun.Pixels) expected.push_back((pixel >> 24) != 0 ? pixel & 0xFFFFFF : 0x808080);
  EXPECT_TRUE(WaitUntil([&] { return TX11TestServer::Shared(false).ShownPixels(300, 200, 32, 32) == expected; },
                        Platform.get()));

  // It follows the pointer between frames, and stays above the game's window when that is raised.
  Client->MovePointer(600, 400);
  EXPECT_TRUE(WaitUntil([&] { return drawnAt(600, 400); }, Platform.get(), 500));
  EXPECT_TRUE(WaitUntil([&] { return Client->ScreenPixel(300, 200) == 0x808080; }, Platform.get()));
  Platform->BringToFront();
  EXPECT_TRUE(drawnAt(600, 400));
  // And a jump that no motion event reports (a warp, as tablets and remote desktops
  // move it), within a frame.
  XWarpPointer(Dpy, None, Client->Root(), 0, 0, 0, 0, 650, 420);
  Client->Sync();
  EXPECT_TRUE(WaitUntil([&] { return drawnAt(650, 420); }, Platform.get(), 60));
  Client->MovePointer(600, 400);
  ASSERT_TRUE(WaitUntil([&] { return drawnAt(600, 400); }, Platform.get(), 500));

  // A click on the gun reaches the window beneath.
  Client->Click(Button1);
  XEvent event;
  EXPECT_TRUE(WaitUntil([&] { return XCheckTypedWindowEvent(Dpy, Other, ButtonPress, &event) == True; }));

  ASSERT_TRUE(Platform->InstallCursor("MOUSEEMPTY"));
  EXPECT_TRUE(WaitUntil([&] { return Client->ScreenPixel(600, 400) == Desktop; }, Platform.get()));
  ASSERT_TRUE(Platform->InstallCursor("MOUSERED"));
  EXPECT_TRUE(WaitUntil([&] { return Client->ScreenPixel(601, 402) == 0xFF0000; }, Platform.get()));
  EXPECT_FALSE(Platform->InstallCursor("MOUSEARROW10"));
  EXPECT_EQ(Client->ScreenPixel(601, 402), 0xFF0000u);

  Platform->RestoreCursors();
  EXPECT_TRUE(WaitUntil([&] { return Client->ScreenPixel(601, 402) == Desktop; }, Platform.get()));
  EXPECT_EQ(CurrentCursor(Dpy), Standard);
}

TEST_F(TX11GunCursorTest, TheDesktopsOwnArrowSetByAProgramThatHasEndedOutlivesTheGame) {
  // As a minimal session's start-up script does: the root's cursor set by a client
  // that is gone by the time the game starts.
  const pid_t setter = fork();
  if (setter == 0) {
    Display* dpy = XOpenDisplay(TX11TestServer::Shared(false).Name().c_str());
    if (dpy == nullptr) _exit(1);
    const Cursor arrow = XcursorLibraryLoadCursor(dpy, "left_ptr");
    XDefineCursor(dpy, DefaultRootWindow(dpy), arrow);
    XFreeCursor(dpy, arrow);
    XCloseDisplay(dpy);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(setter, &status, 0), setter);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  // Over the root, away from the other window.
  constexpr int RootX = 1000, RootY = 800;
  Client->MovePointer(RootX, RootY);
  // XFixes no longer reports a cursor whose maker has gone: what the screen shows counts.
  const auto aroundPointer = [&] { return TX11TestServer::Shared(false).ShownPixels(RootX - 8, RootY - 8, 48, 48); };
  std::vector<uint32_t> before;
  ASSERT_TRUE(WaitUntil([&] {
    before = aroundPointer();
    return std::count(before.begin(), before.end(), 0xFFFFFFu) >= 20;
  })) << "the theme's arrow, outlined in white, on the root";

  // A game, and the program gone after it.
  Platform = Client->MakePlatform();
  ASSERT_TRUE(Platform->InstallCursor("MOUSEFULL"));
  EXPECT_TRUE(Shows(GunCursor("MOUSEFULL")));
  Platform->RestoreCursors();
  Platform.reset();
  Client->MovePointer(RootX - 1, RootY);
  Client->MovePointer(RootX, RootY);
  EXPECT_TRUE(WaitUntil([&] { return aroundPointer() == before; })) << "the root shows another cursor";
  XUndefineCursor(Dpy, Client->Root());
  Client->MovePointer(PointerX, PointerY);
}

// Ends the program (the death test's child) with Signal after DelayMs, from a process of its own.
void SignalLater(int signal, int delayMs) {
  const pid_t target = getpid();
  if (fork() != 0) return;
  std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
  kill(target, signal);
  _exit(0);
}

// In a death test's child: a platform of its own whose gun cursor is up.
std::unique_ptr<TX11Platform> PlatformWithGun() {
  // As a program started from a terminal has them, whatever the test runner ignores.
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, SIG_DFL);
  TX11TestClient client(TX11TestServer::Shared(false));
  // The crash's helper is the game program started anew, not this test program.
  TX11Guard::UseRestoreProgram(ProgramPath());
  std::unique_ptr<TX11Platform> platform = client.MakePlatform();
  if (platform == nullptr || !platform->InstallCursor("MOUSEFULL")) _exit(99);
  return platform;
}

bool EndedAbnormally(int status) { return WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) != 0); }

TEST_F(TX11GunCursorTest, AStopSignalEndsEvenAModalWaitAndGivesTheCursorsBack) {
  EXPECT_EXIT(
      {
        std::unique_ptr<TX11Platform> platform = PlatformWithGun();
        std::unique_ptr<TPlatformWindow> overlay = platform->CreateWindow(TWindowKind::Overlay);
        overlay->Show();
        SignalLater(SIGTERM, 300);
        platform->ShowMessageBox("Bericht", "nobody will close this");
        _exit(0);
      },
      testing::ExitedWithCode(128 + SIGTERM), "blastover: stopped by SIGTERM");
  EXPECT_TRUE(ShowsTheStandardArrow());
  EXPECT_TRUE(Client->OwnWindows().empty()) << "the game's windows and the box are gone";

  // The program it waits for holds everything we leave open, the death test's own
  // pipe among them: this child is waited for by its end alone.
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    std::unique_ptr<TX11Platform> platform = PlatformWithGun();
    SignalLater(SIGINT, 300);
    // Its output elsewhere, or the test runner would wait for it as it reads ours.
    platform->StartProgram("sh -c \"exec sleep 5 >/dev/null 2>&1\"", true);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + SIGINT) << status;
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3)) << "the wait for the program went on";
  EXPECT_TRUE(ShowsTheStandardArrow());
}

TEST_F(TX11GunCursorTest, EverySignalThatWouldEndTheProgramGivesTheCursorsBackFirst) {
  // Sent from outside: the program stops in its own time and says which signal it was.
  for (const int signal : {SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGPIPE, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGIO,
                           SIGRTMIN + 2}) {
    const pid_t child = fork();
    if (child == 0) {
      std::signal(signal, SIG_DFL);
      std::unique_ptr<TX11Platform> platform = PlatformWithGun();
      SignalLater(signal, 200);
      for (int waits = 0; waits < 300; ++waits) {
        platform->WaitForMessage(10);
        platform->ProcessMessages();
      }
      _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + signal) << strsignal(signal) << ": " << status;
    EXPECT_TRUE(ShowsTheStandardArrow()) << strsignal(signal);
  }
  // A fault of the program's own, or sent as if it were one: it dies of it all the same.
  for (const int signal : {SIGILL, SIGFPE, SIGTRAP, SIGSYS}) {
    EXPECT_EXIT(
        {
          std::unique_ptr<TX11Platform> platform = PlatformWithGun();
          raise(signal);
          _exit(0);
        },
        EndedAbnormally, "")
        << strsignal(signal);
    EXPECT_TRUE(ShowsTheStandardArrow()) << strsignal(signal);
  }
}

// Deep enough to use up any stack, and not a loop the compiler could make of it.
int Overflow(int depth) {
  volatile char frame[1024];
  frame[0] = static_cast<char>(depth);
  if (depth < 0) return 0;
  return Overflow(depth + 1) + frame[0];
}

TEST_F(TX11GunCursorTest, ACrashOrAnUncaughtExceptionStillGivesTheCursorsBack) {
  EXPECT_EXIT(
      {
        std::unique_ptr<TX11Platform> platform = PlatformWithGun();
        std::thread([] { throw std::runtime_error("nobody catches this"); }).join();
      },
      testing::KilledBySignal(SIGABRT), "nobody catches this");
  EXPECT_TRUE(ShowsTheStandardArrow());

  EXPECT_EXIT(
      {
        std::unique_ptr<TX11Platform> platform = PlatformWithGun();
        std::abort();
      },
      testing::KilledBySignal(SIGABRT), "");
  EXPECT_TRUE(ShowsTheStandardArrow());

  // The crash handler has a stack of its own when the program's is used up.
  EXPECT_EXIT(
      {
        std::unique_ptr<TX11Platform> platform = PlatformWithGun();
        _exit(Overflow(0));
      },
      EndedAbnormally, "");
  EXPECT_TRUE(ShowsTheStandardArrow());

  // A sanitizer's report may end the program in place of the signal's default action.
  EXPECT_EXIT(
      {
        std::unique_ptr<TX11Platform> platform = PlatformWithGun();
        raise(SIGSEGV);
        _exit(0);
      },
      EndedAbnormally, "");
  EXPECT_TRUE(ShowsTheStandardArrow());
}

// Frees a block whose neighbour's header was overwritten: the allocator finds that out
// and aborts while it holds its lock, which it takes only once a second thread runs.
void CrashInsideTheAllocator() {
  constexpr size_t Large = 2000;  // past the per-thread caches, freed under the lock
  auto* block = static_cast<char*>(__libc_malloc(Large));
  auto* neighbour = static_cast<size_t*>(__libc_malloc(Large));
  __libc_malloc(16);  // keeps the neighbour from the top of the heap
  neighbour[-1] = 0;  // its size, and the mark that the block before it is in use
  __libc_free(block);
}

TEST_F(TX11GunCursorTest, ACrashInsideTheAllocatorWithAnotherThreadRunningEndsAtOnceAndGivesTheCursorsBack) {
  constexpr int HungExitCode = 97;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EXIT(
      {
        std::unique_ptr<TX11Platform> platform = PlatformWithGun();
        // The second thread, as the audio thread is; it ends a program that hangs.
        std::thread([] {
          const timespec pause{4, 0};
          nanosleep(&pause, nullptr);
          _exit(HungExitCode);
        }).detach();
        CrashInsideTheAllocator();
        _exit(0);
      },
      testing::KilledBySignal(SIGABRT), "");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << "the crash did not end the program";
  EXPECT_TRUE(ShowsTheStandardArrow());
}

}  // namespace
