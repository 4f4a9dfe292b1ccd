// The X11 platform's desktop-wide services on a real X server: input, menu keys, cursors, timers, dialogs.
// GoogleTest comes before the X headers, whose macros (None, Bool) break its own.
#include <gtest/gtest.h>

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/Xcursor/Xcursor.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <X11/keysym.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>

#include "X11TestServer.h"

namespace {

using TClock = std::chrono::steady_clock;

long ElapsedMs(TClock::time_point since) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - since).count());
}

class TX11DesktopTest : public testing::Test {
 protected:
  void SetUp() override {
    Client = std::make_unique<TX11TestClient>(TX11TestServer::Shared(false));
    Platform = Client->MakePlatform();
    ASSERT_NE(Platform, nullptr);
  }

  void TearDown() override {
    InstallPlatform(nullptr);
    Platform.reset();
    Client.reset();
  }

  std::unique_ptr<TX11TestClient> Client;
  std::unique_ptr<TX11Platform> Platform;
};

TEST_F(TX11DesktopTest, MouseButtonsReportQuickClicksBetweenPolls) {
  Client->MovePointer(640, 512);
  Platform->MouseButtonsDown();
  EXPECT_EQ(Platform->MouseButtonsDown(), 0u);

  // Pressed and released between two polls, as a quick click between two 100 ms ticks is.
  Client->Click(Button1);
  EXPECT_EQ(Platform->MouseButtonsDown(), 1u);
  EXPECT_EQ(Platform->MouseButtonsDown(), 0u) << "reading clears what was remembered";
  Client->Click(Button3);
  Client->Click(Button2);
  EXPECT_EQ(Platform->MouseButtonsDown(), 2u | 4u);

  // The same presses, taken out of the queue by message processing first.
  Client->Click(Button1);
  Platform->ProcessMessages();
  EXPECT_EQ(Platform->MouseButtonsDown(), 1u);

  // Held across polls.
  XTestFakeButtonEvent(Client->Dpy(), Button1, True, CurrentTime);
  Client->Sync();
  EXPECT_EQ(Platform->MouseButtonsDown(), 1u);
  EXPECT_EQ(Platform->MouseButtonsDown(), 1u);
  XTestFakeButtonEvent(Client->Dpy(), Button1, False, CurrentTime);
  Client->Sync();
  EXPECT_EQ(Platform->MouseButtonsDown(), 0u);

  int x = 0, y = 0;
  Platform->SetPointerPos(123, 456);
  ASSERT_TRUE(Platform->GetPointerPos(x, y));
  EXPECT_EQ(x, 123);
  EXPECT_EQ(y, 456);
}

TEST_F(TX11DesktopTest, ForgottenPressesCountNoMoreAndAHeldButtonOnlyOnceLetGo) {
  Client->MovePointer(640, 512);
  Client->Click(Button1);
  Client->Key(XK_Escape, true);
  Client->Key(XK_Escape, false);
  Platform->ForgetPresses();
  EXPECT_EQ(Platform->MouseButtonsDown(), 0u);
  EXPECT_FALSE(Platform->EscapeHeld());

  // Still held when forgotten: it counts again after it was let go and pressed anew.
  XTestFakeButtonEvent(Client->Dpy(), Button1, True, CurrentTime);
  Client->Key(XK_Escape, true);
  Client->Sync();
  Platform->ForgetPresses();
  EXPECT_EQ(Platform->MouseButtonsDown(), 0u);
  EXPECT_FALSE(Platform->EscapeHeld());
  XTestFakeButtonEvent(Client->Dpy(), Button1, False, CurrentTime);
  Client->Key(XK_Escape, false);
  Client->Click(Button1);
  Client->Key(XK_Escape, true);
  EXPECT_EQ(Platform->MouseButtonsDown(), 1u);
  EXPECT_TRUE(Platform->EscapeHeld());
  Client->Key(XK_Escape, false);
}

// The pointer mapping of the test's server with its first and third buttons swapped or not.
void SetLeftHanded(Display* dpy, bool leftHanded) {
  unsigned char mapping[256] = {};
  const int count = XGetPointerMapping(dpy, mapping, sizeof mapping);
  ASSERT_GE(count, 3);
  mapping[0] = leftHanded ? 3 : 1;
  mapping[2] = leftHanded ? 1 : 3;
  ASSERT_EQ(XSetPointerMapping(dpy, mapping, count), MappingSuccess);
  XSync(dpy, False);
}

TEST_F(TX11DesktopTest, ALeftHandedMouseFiresWithItsPrimaryButtonHeldOrClickedQuickly) {
  Client->MovePointer(640, 512);
  // Right-handed again however the test ends: the server is shared with other tests.
  struct TRightHandedAgain {
    Display* Dpy;
    ~TRightHandedAgain() { SetLeftHanded(Dpy, false); }
  } rightHandedAgain{Client->Dpy()};
  SetLeftHanded(Client->Dpy(), true);
  // The change reaches the platform as a notice among its messages.
  WaitUntil([] { return false; }, Platform.get(), 100);
  Platform->MouseButtonsDown();

  // The mouse's third button is the player's first: quick and held, it is the left one.
  Client->Click(Button3);
  EXPECT_EQ(Platform->MouseButtonsDown(), 1u);
  Client->Click(Button1);
  EXPECT_EQ(Platform->MouseButtonsDown(), 2u) << "the other button fired";
  XTestFakeButtonEvent(Client->Dpy(), Button3, True, CurrentTime);
  Client->Sync();
  EXPECT_EQ(Platform->MouseButtonsDown(), 1u);
  XTestFakeButtonEvent(Client->Dpy(), Button3, False, CurrentTime);
  Client->Sync();
  EXPECT_EQ(Platform->MouseButtonsDown(), 0u);

  // A click made on the player's behalf is a click of the first button too.
  Platform->InjectLeftClick();
  EXPECT_EQ(Platform->MouseButtonsDown(), 1u);

  // Made right-handed again while the game runs.
  SetLeftHanded(Client->Dpy(), false);
  WaitUntil([] { return false; }, Platform.get(), 100);
  Client->Click(Button1);
  EXPECT_EQ(Platform->MouseButtonsDown(), 1u);
  Client->Click(Button3);
  EXPECT_EQ(Platform->MouseButtonsDown(), 2u);
}

TEST(TX11WithoutXInput2, ButtonsAndEscapeArePolledAndTheLossIsSaidOnce) {
  setenv("BLASTOVER_NO_XINPUT2", "1", 1);
  TX11TestClient client(TX11TestServer::Shared(false));
  testing::internal::CaptureStderr();
  std::unique_ptr<TX11Platform> platform = client.MakePlatform();
  const std::string said = testing::internal::GetCapturedStderr();
  unsetenv("BLASTOVER_NO_XINPUT2");
  ASSERT_NE(platform, nullptr);
  EXPECT_NE(said.find("no XInput 2.1: mouse buttons and Escape are polled"), std::string::npos) << said;

  client.MovePointer(640, 512);
  XTestFakeButtonEvent(client.Dpy(), Button1, True, CurrentTime);
  client.Sync();
  EXPECT_EQ(platform->MouseButtonsDown(), 1u);
  XTestFakeButtonEvent(client.Dpy(), Button1, False, CurrentTime);
  client.Sync();
  EXPECT_EQ(platform->MouseButtonsDown(), 0u);
  client.Key(XK_Escape, true);
  EXPECT_TRUE(platform->EscapeHeld());
  client.Key(XK_Escape, false);
  EXPECT_FALSE(platform->EscapeHeld());
  InstallPlatform(nullptr);
}

TEST_F(TX11DesktopTest, EscapeIsSeenHeldAndWhenTappedBetweenPolls) {
  EXPECT_FALSE(Platform->EscapeHeld());
  Client->Key(XK_Escape, true);
  EXPECT_TRUE(Platform->EscapeHeld());
  EXPECT_TRUE(Platform->EscapeHeld());
  Client->Key(XK_Escape, false);
  EXPECT_FALSE(Platform->EscapeHeld());

  Client->Key(XK_Escape, true);
  Client->Key(XK_Escape, false);
  EXPECT_TRUE(Platform->EscapeHeld());
  EXPECT_FALSE(Platform->EscapeHeld());
}

TEST_F(TX11DesktopTest, MenuTakesTheFocusAndGetsVirtualKeysAndClicks) {
  std::unique_ptr<TPlatformWindow> menu = Platform->CreateWindow(TWindowKind::Menu);
  menu->SetBounds(100, 80, 300, 200);
  TTestPicture face(300, 200, 0xFF404040);
  menu->Present(face.View());
  std::vector<uint16_t> keys;
  std::vector<std::pair<int, int>> clicks;
  menu->OnKeyDown = [&](uint16_t key) { keys.push_back(key); };
  menu->OnMouseDown = [&](int x, int y) { clicks.emplace_back(x, y); };
  menu->Show();
  EXPECT_TRUE(Platform->IsApplicationActive());
  EXPECT_TRUE(WaitUntil([&] { return Client->ScreenPixel(250, 180) == 0x404040; }, Platform.get()));

  const auto tap = [&](KeySym symbol) {
    Client->Key(symbol, true);
    Client->Key(symbol, false);
  };
  tap(XK_a);
  Client->Key(XK_Shift_L, true);
  tap(XK_a);
  Client->Key(XK_Shift_L, false);
  tap(XK_F1);
  tap(XK_period);  // punctuation is dropped: '.' would read as Delete
  const unsigned numLock = XkbKeysymToModifiers(Client->Dpy(), XK_Num_Lock);
  XkbLockModifiers(Client->Dpy(), XkbUseCoreKbd, numLock, numLock);
  tap(XK_KP_1);
  XkbLockModifiers(Client->Dpy(), XkbUseCoreKbd, numLock, 0);
  tap(XK_KP_Enter);
  tap(XK_BackSpace);
  Client->MovePointer(150, 110);
  Client->Click(Button1);
  Client->Click(Button3);  // only the left button reaches the menu
  const std::vector<uint16_t> expected = {'A', 'A', VK_F1, VK_NUMPAD0 + 1, VK_RETURN, VK_BACK};
  EXPECT_TRUE(WaitUntil([&] { return keys.size() >= expected.size() && !clicks.empty(); }, Platform.get()));
  EXPECT_EQ(keys, expected);
  EXPECT_EQ(clicks, (std::vector<std::pair<int, int>>{{50, 30}}));

  // Leaving the menu gives the focus back; raising it again takes it.
  menu->Hide();
  EXPECT_FALSE(Platform->IsApplicationActive());
  menu->Show();
  Platform->BringToFront();
  EXPECT_TRUE(Platform->IsApplicationActive());

  // A handler may destroy the very window whose event it handles.
  menu->OnKeyDown = [&](uint16_t) { menu.reset(); };
  tap(XK_b);
  EXPECT_TRUE(WaitUntil([&] { return menu == nullptr; }, Platform.get()));
  Platform->ProcessMessages();
}

// The places of keys on a PC keyboard (the same codes in X's two numberings).
constexpr KeyCode QKey = 24, YKey = 29, OneKey = 10, ZeroKey = 19, KeypadOneKey = 87, ShiftKey = 50;

TEST_F(TX11DesktopTest, TheMenuTypesLettersAndDigitsUnderFrenchGermanRussianAndUsLayouts) {
  std::unique_ptr<TPlatformWindow> menu = Platform->CreateWindow(TWindowKind::Menu);
  menu->SetBounds(100, 80, 300, 200);
  TTestPicture face(300, 200, 0xFF404040);
  menu->Present(face.View());
  std::vector<uint16_t> keys;
  menu->OnKeyDown = [&](uint16_t key) { keys.push_back(key); };
  menu->Show();
  EXPECT_TRUE(WaitUntil([&] { return Client->ScreenPixel(250, 180) == 0x404040; }, Platform.get()));
  const auto layout = [&](const std::string& layouts, int active) {
    const std::string command = "setxkbmap -display " + TX11TestServer::Shared(false).Name() + " -layout " + layouts;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    XkbLockGroup(Client->Dpy(), XkbUseCoreKbd, static_cast<unsigned>(active));
    XSync(Client->Dpy(), False);
  };
  const auto typed = [&](std::initializer_list<KeyCode> places, bool shifted = false) {
    keys.clear();
    if (shifted) Client->KeyAt(ShiftKey, true);
    for (const KeyCode place : places) {
      Client->KeyAt(place, true);
      Client->KeyAt(place, false);
    }
    if (shifted) Client->KeyAt(ShiftKey, false);
    WaitUntil([&] { return keys.size() >= places.size(); }, Platform.get(), 2000);
    return std::string(keys.begin(), keys.end());
  };
  layout("us", 0);
  EXPECT_EQ(typed({QKey, YKey, OneKey, ZeroKey}), "QY10");
  layout("de", 0);
  EXPECT_EQ(typed({QKey, YKey, OneKey, ZeroKey}), "QZ10");
  // French: the letters where they stand, the digits plain and shifted.
  layout("fr", 0);
  EXPECT_EQ(typed({QKey, YKey, OneKey, ZeroKey}), "AY10");
  EXPECT_EQ(typed({OneKey, ZeroKey}, true), "10");
  const unsigned numLock = XkbKeysymToModifiers(Client->Dpy(), XK_Num_Lock);
  XkbLockModifiers(Client->Dpy(), XkbUseCoreKbd, numLock, numLock);
  EXPECT_EQ(typed({KeypadOneKey}), std::string(1, static_cast<char>(VK_NUMPAD0 + 1)));
  XkbLockModifiers(Client->Dpy(), XkbUseCoreKbd, numLock, 0);
  // Russian active, with the Latin layout first or second: the Latin letters.
  layout("us,ru", 1);
  EXPECT_EQ(typed({QKey, YKey, OneKey}), "QY1");
  layout("ru,us", 0);
  EXPECT_EQ(typed({QKey, YKey, OneKey}), "QY1");
  layout("us", 0);
}

TEST_F(TX11DesktopTest, MenuTakesTheFocusBackFromAnotherWindowWhenBroughtToFront) {
  std::unique_ptr<TPlatformWindow> menu = Platform->CreateWindow(TWindowKind::Menu);
  menu->SetBounds(100, 80, 300, 200);
  menu->Show();
  ASSERT_TRUE(Platform->IsApplicationActive());
  const Window other = Client->MakeWindow(600, 600, 50, 50, 0xFF0000);
  XSetInputFocus(Client->Dpy(), other, RevertToParent, CurrentTime);
  Client->Sync();
  EXPECT_FALSE(Platform->IsApplicationActive());
  EXPECT_TRUE(WaitUntil([&] {
    Platform->BringToFront();
    return Platform->IsApplicationActive();
  }, Platform.get()));
  XDestroyWindow(Client->Dpy(), other);
  Client->Sync();
}

TEST_F(TX11DesktopTest, ASecondGameOnTheDisplayBringsTheFirstForwardInsteadOfStarting) {
  std::string message;
  ASSERT_TRUE(Platform->BecomeSoleGame(message));
  std::unique_ptr<TPlatformWindow> menu = Platform->CreateWindow(TWindowKind::Menu);
  menu->SetBounds(100, 80, 300, 200);
  menu->Show();
  const Window other = Client->MakeWindow(600, 600, 50, 50, 0xFF0000);
  XSetInputFocus(Client->Dpy(), other, RevertToParent, CurrentTime);
  Client->Sync();
  ASSERT_FALSE(Platform->IsApplicationActive());

  std::unique_ptr<TX11Platform> second = Client->MakePlatform();
  ASSERT_NE(second, nullptr);
  EXPECT_FALSE(second->BecomeSoleGame(message));
  EXPECT_EQ(message, "a game is already running on display " + TX11TestServer::Shared(false).Name() +
                         ": it was brought to the front");
  second.reset();
  // Only the first game's own message processing raises it; nothing else here would.
  EXPECT_TRUE(WaitUntil([&] { return Platform->IsApplicationActive(); }, Platform.get()));

  // The lock goes with the game that held it.
  menu.reset();
  Platform.reset();
  std::unique_ptr<TX11Platform> third = Client->MakePlatform();
  EXPECT_TRUE(third->BecomeSoleGame(message));
  XDestroyWindow(Client->Dpy(), other);
  Client->Sync();
}

// The menu's window as the screen shows it equals Picture (red, green and blue).
bool ShowsPicture(TX11TestClient& client, int left, int top, const TTestPicture& picture) {
  XImage* image = XGetImage(client.Dpy(), client.Root(), left, top, static_cast<unsigned>(picture.Width),
                            static_cast<unsigned>(picture.Height), AllPlanes, ZPixmap);
  if (image == nullptr) return false;
  bool same = true;
  for (int y = 0; y < picture.Height && same; ++y)
    for (int x = 0; x < picture.Width && same; ++x)
      same = (XGetPixel(image, x, y) & 0xFFFFFF) == (picture.At(x, y) & 0xFFFFFF);
  XDestroyImage(image);
  return same;
}

TEST(TX11MenuFrames, OnlyTheNamedPartsAreSentAndEveryFrameShowsWhole) {
  for (const bool shm : {true, false}) {
    SCOPED_TRACE(shm ? "MIT-SHM" : "XPutImage");
    if (shm) unsetenv("BLASTOVER_NO_SHM");
    else setenv("BLASTOVER_NO_SHM", "1", 1);
    TX11TestClient client(TX11TestServer::Shared(false));
    std::unique_ptr<TX11Platform> platform = client.MakePlatform();
    ASSERT_NE(platform, nullptr);
    std::unique_ptr<TPlatformWindow> menu = platform->CreateWindow(TWindowKind::Menu);
    menu->SetBounds(100, 80, 300, 200);
    menu->Show();
    TTestPicture frame(300, 200, 0xFF404040);
    menu->PresentChanged(frame.View(), {{0, 0, 1, 1}});  // a first frame goes whole, whatever it names
    for (int i = 0; i < 4; ++i) {
      frame.Fill(10 + 60 * i, 20 + 30 * i, 20, 20, 0xFF00A000 + static_cast<uint32_t>(i));
      // Parts reaching out of the window are cut to it.
      menu->PresentChanged(frame.View(), {{10 + 60 * i, 20 + 30 * i, 20, 20}, {290, 190, 40, 40}});
    }
    // A change it does not name is not sent: the window keeps the last frame there.
    TTestPicture unnamed = frame;
    unnamed.Fill(250, 150, 10, 10, 0xFFFFFFFF);
    menu->PresentChanged(unnamed.View(), {});
    EXPECT_TRUE(WaitUntil([&] { return ShowsPicture(client, 100, 80, frame); }, platform.get()));
    menu.reset();
    InstallPlatform(nullptr);
  }
  unsetenv("BLASTOVER_NO_SHM");
}

TEST_F(TX11DesktopTest, CursorsAreReplacedEverywhereAndGivenBack) {
  Display* dpy = Client->Dpy();
  const Atom marker = XInternAtom(dpy, "_BLASTOVER_CURSORS_REPLACED", False);
  const auto marked = [&] {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(dpy, Client->Root(), marker, 0, 1, False, AnyPropertyType, &type, &format, &count, &after, &data);
    if (data != nullptr) XFree(data);
    return type != None;
  };
  // Another application's window with the theme's arrow, under the pointer.
  const Window window = Client->MakeWindow(0, 0, 400, 400, 0x202020);
  XDefineCursor(dpy, window, XcursorLibraryLoadCursor(dpy, "left_ptr"));
  Client->MovePointer(200, 200);
  const TCursorPicture themed = CurrentCursor(dpy);
  ASSERT_GT(themed.Width, 0);

  TTestPicture gun(32, 32, 0xFF00FF00);
  gun.Fill(0, 0, 8, 8, 0x80FF0000);
  ASSERT_TRUE(Platform->InstallCursorPicture(gun.View(), 3, 4));
  ASSERT_TRUE(WaitUntil([&] { return CurrentCursor(dpy).Width == 32; }));
  const TCursorPicture installed = CurrentCursor(dpy);
  EXPECT_EQ(installed.HotX, 3);
  EXPECT_EQ(installed.HotY, 4);
  EXPECT_EQ(installed.Pixels[20 * 32 + 20], 0xFF00FF00u);
  EXPECT_EQ(installed.Pixels[0], 0x80800000u) << "cursor pixels are premultiplied";
  EXPECT_TRUE(marked());

  Platform->RestoreCursors();
  EXPECT_TRUE(WaitUntil([&] { return CurrentCursor(dpy) == themed; }));
  EXPECT_TRUE(WaitUntil([&] { return !marked(); }));
  EXPECT_FALSE(Platform->InstallCursor("NoSuchCursor"));

  // A run killed while its cursors were up: the next game gives them back once it knows
  // it is the display's only one (a game still running would lose its gun otherwise).
  ASSERT_TRUE(Platform->InstallCursorPicture(gun.View(), 0, 0));
  ASSERT_TRUE(WaitUntil([&] { return CurrentCursor(dpy).Width == 32; }));
  const long pid = 1;
  XChangeProperty(dpy, Client->Root(), marker, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&pid), 1);
  Client->Sync();
  std::unique_ptr<TX11Platform> next = Client->MakePlatform();
  EXPECT_EQ(CurrentCursor(dpy).Width, 32);
  std::string message;
  ASSERT_TRUE(next->BecomeSoleGame(message));
  EXPECT_TRUE(WaitUntil([&] { return CurrentCursor(dpy) == themed; }));
  EXPECT_TRUE(WaitUntil([&] { return !marked(); }));
  next.reset();
  XDestroyWindow(dpy, window);
}

TEST_F(TX11DesktopTest, WaitingSleepsUntilATimerOrAnEventIsDue) {
  InstallPlatform(Platform.get());
  Platform->ProcessMessages();
  int fired = 0;
  {
    TTimer timer(50, [&] { ++fired; });
    const auto start = TClock::now();
    Platform->WaitForMessage(2000);
    EXPECT_GE(ElapsedMs(start), 40);
    EXPECT_LT(ElapsedMs(start), 1000);
    WaitUntil([&] { return fired > 0; }, Platform.get(), 500);
    EXPECT_EQ(fired, 1);
  }

  // Nothing to wait for: the whole timeout passes asleep, not spinning.
  const auto start = TClock::now();
  const std::clock_t cpuStart = std::clock();
  Platform->WaitForMessage(150);
  EXPECT_GE(ElapsedMs(start), 140);
  EXPECT_LT((std::clock() - cpuStart) * 1000 / CLOCKS_PER_SEC, 50);

  // An X event ends the wait at once: here a key pressed a little later (raw input reaches us
  // wherever it goes; a warped pointer would make none).
  Platform->ProcessMessages();
  const pid_t typist = TapKeyLater(TX11TestServer::Shared(false).Name(), XK_Shift_L, 50);
  const auto eventStart = TClock::now();
  Platform->WaitForMessage(5000);
  EXPECT_LT(ElapsedMs(eventStart), 2500);
  waitpid(typist, nullptr, 0);
}

TEST_F(TX11DesktopTest, MessageBoxIsModalAndClosesOnEnter) {
  InstallPlatform(Platform.get());
  int fired = 0;
  TTimer timer(10, [&] { ++fired; });
  // The box takes the focus, so a key pressed from outside reaches it.
  const pid_t typist = TapKeyLater(TX11TestServer::Shared(false).Name(), XK_Return, 400);
  alarm(20);  // a box that never closes fails the test instead of hanging it
  const auto start = TClock::now();
  Platform->ShowMessageBox("Bericht", "Kon programma niet starten\nsecond line");
  alarm(0);
  EXPECT_GE(ElapsedMs(start), 300);
  EXPECT_EQ(fired, 0) << "the program's timers must wait while the box is up";
  EXPECT_TRUE(Client->OwnWindows().empty()) << "the box is gone";
  Platform->ProcessMessages();
  EXPECT_EQ(fired, 1) << "the missed periods come as one";
  waitpid(typist, nullptr, 0);
}

TEST_F(TX11DesktopTest, ProgramsStartAndTheProgramFolderIsFound) {
  const std::string folder = Platform->Files().ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(std::filesystem::exists(folder + "blastover_x11_tests"));

  const std::string marker = folder + "started by the platform";
  EXPECT_TRUE(Platform->StartProgram("touch \"" + marker + "\"", true));
  EXPECT_TRUE(std::filesystem::remove(marker)) << "waited for, so the file is there";
  errno = 0;
  EXPECT_FALSE(Platform->StartProgram("no-such-program-anywhere", true));
  EXPECT_EQ(errno, ENOENT);
  EXPECT_FALSE(Platform->OpenAddress("", nullptr));
}

TEST_F(TX11DesktopTest, TheOpenerIsNotWaitedForAndAFailureItFindsLaterIsReportedOnce) {
  using TClock = std::chrono::steady_clock;
  // Stand-ins for the desktop's opener, first in PATH.
  const std::string bin = ::testing::TempDir() + "opener-" + std::to_string(getpid());
  std::filesystem::create_directories(bin);
  const auto opener = [&](const std::string& body) {
    std::ofstream(bin + "/xdg-open") << "#!/bin/sh\n" << body << "\n";
    std::filesystem::permissions(bin + "/xdg-open", std::filesystem::perms::owner_all);
  };
  std::vector<TOpenFailure> failures;
  const auto onFailure = [&](const TOpenFailure& failure) { failures.push_back(failure); };
  // The program's loop for a while, or until Done.
  const auto runFor = [&](int ms, const std::function<bool()>& done) {
    for (const auto until = TClock::now() + std::chrono::milliseconds(ms); !done() && TClock::now() < until;) {
      Platform->ProcessMessages();
      Platform->WaitForMessage(10);
    }
  };
  const auto failed = [&] { return !failures.empty(); };
  const auto startedText = [&] {
    std::ifstream started(bin + "/started");
    return std::string(std::istreambuf_iterator<char>(started), {});
  };
  const std::string path = std::getenv("PATH");
  // Without any opener in PATH it is the opener that is missing, and that is known at once.
  setenv("PATH", bin.c_str(), 1);
  EXPECT_FALSE(Platform->OpenAddress("file:///somewhere.html", onFailure));
  EXPECT_EQ(Platform->MissingOpener(), "xdg-open");
  setenv("PATH", (bin + ":" + path).c_str(), 1);
  opener("exit 0");
  EXPECT_TRUE(Platform->OpenAddress("file:///somewhere.html", onFailure));
  runFor(300, failed);
  EXPECT_TRUE(failures.empty());
  // One that takes a while to find nothing to open the address with.
  opener("sleep 0.5; exit 3");
  const TClock::time_point asked = TClock::now();
  EXPECT_TRUE(Platform->OpenAddress("file:///nowhere.html", onFailure));
  EXPECT_LT(TClock::now() - asked, std::chrono::milliseconds(300));
  runFor(3000, failed);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].Error, ENOENT);
  EXPECT_EQ(failures[0].MissingOpener, "") << "the opener ran: the address is at fault";
  // One still busy opening it, a browser on its way: a second click starts no second one.
  opener("echo >> " + bin + "/started; sleep 1");
  EXPECT_TRUE(Platform->OpenAddress("file:///somewhere.html", onFailure));
  EXPECT_TRUE(Platform->OpenAddress("file:///somewhere.html", onFailure));
  runFor(3000, [&] { return !startedText().empty(); });
  runFor(300, [] { return false; });  // time for a second one to show
  EXPECT_EQ(failures.size(), 1u);
  EXPECT_EQ(startedText(), "\n");
  setenv("PATH", path.c_str(), 1);
  std::filesystem::remove_all(bin);
}

TEST(TX11PlatformStart, MissingDisplayGivesAMessageAndNoPlatform) {
  const char* before = std::getenv("DISPLAY");
  const std::string saved = before != nullptr ? before : "";
  setenv("DISPLAY", ":59999", 1);
  std::string error;
  const std::unique_ptr<TPlatform> platform = CreateX11Platform(error);
  EXPECT_EQ(platform, nullptr);
  EXPECT_EQ(error.rfind("cannot open display", 0), 0u) << error;
  EXPECT_NE(error.find(":59999"), std::string::npos) << error;
  EXPECT_EQ(error.find('\n'), std::string::npos);
  if (before != nullptr) setenv("DISPLAY", saved.c_str(), 1);
  else unsetenv("DISPLAY");
}

TEST(TX11PlatformStart, ADisplayWithAPaletteIsRefusedInOneLine) {
  TPrivateXServer server(640, 480, false, 8);
  const char* before = std::getenv("DISPLAY");
  const std::string saved = before != nullptr ? before : "";
  setenv("DISPLAY", server.Name().c_str(), 1);
  std::string error;
  const std::unique_ptr<TPlatform> platform = CreateX11Platform(error);
  EXPECT_EQ(platform, nullptr);
  EXPECT_NE(error.find("8-bit colours from a palette, which the game does not support"), std::string::npos) << error;
  EXPECT_EQ(error.find('\n'), std::string::npos);
  if (before != nullptr) setenv("DISPLAY", saved.c_str(), 1);
  else unsetenv("DISPLAY");
}

}  // namespace
