// The program itself on a private X server: the click or key that closes the menu or a message goes no further, and the menu takes nothing while its message is up.
// GoogleTest comes before the X headers, whose macros (None, Bool) break its own.
#include <gtest/gtest.h>

#include <X11/Xcursor/Xcursor.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "ProgramRun.h"
#include "X11TestServer.h"
#include "menu/DialogForm.h"
#include "menu/MenuForm.h"

namespace {

namespace fs = std::filesystem;
using TClock = std::chrono::steady_clock;

constexpr uint32_t Desktop = 0x204060;
// Starting takes a while under the sanitizers.
constexpr int StartTimeoutMs = 20000;
constexpr int DialogWidth = DialogClientWidth, DialogHeight = DialogTitleBarHeight + DialogClientHeight;
// Where the words and the button are, in their windows' pixels: the middle of each.
constexpr int PlayX = 83, HomePageX = 297, WordsY = 556;
constexpr int OkX = DialogClientWidth / 2, OkY = DialogHeight - 5 - 25 / 2;

// A folder of the test's own, removed with everything in it however the test ends.
struct TScratchFolder {
  fs::path Path;
  explicit TScratchFolder(const std::string& name)
      : Path(fs::path(testing::TempDir()) / (name + "-" + std::to_string(getpid()))) {
    fs::create_directories(Path);
  }
  ~TScratchFolder() {
    std::error_code ignored;
    fs::remove_all(Path, ignored);
  }
};

// A window of the program as the screen shows it.
struct TShownWindow {
  int Left = 0, Top = 0, Width = 0, Height = 0;
};

// True while the program's menu is shown on the client's display.
bool MenuShownOn(TX11TestClient& client) {
  for (const Window window : client.OwnWindows()) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(client.Dpy(), window, &attributes) && attributes.map_state == IsViewable &&
        attributes.width == MenuWidth && attributes.height == MenuHeight)
      return true;
  }
  return false;
}

// A copy of the program in Folder beside a table whose rows any finished game beats.
fs::path ProgramBesideLowTable(const fs::path& folder) {
  const fs::path program = folder / "blastover";
  fs::copy_file(ProgramPath(), program, fs::copy_options::overwrite_existing);
  std::ofstream table(folder / "HISCORE.XML");
  table << "<root>";
  for (int i = 1; i <= 10; ++i) table << "<RANK" << i << "><NAME>OLD</NAME><SCORE>-1</SCORE></RANK" << i << ">";
  table << "</root>";
  return program;
}

std::string ReadText(const fs::path& path) {
  std::ifstream file(path);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

class TProgramPressesTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(ProgramPath())) GTEST_SKIP() << "no program at " << ProgramPath();
    Server = &TX11TestServer::Shared(false);
    Client = std::make_unique<TX11TestClient>(*Server);
    Dpy = Client->Dpy();
    // The desktop: another application's window everywhere, with the theme's arrow.
    Other = Client->MakeWindow(0, 0, TX11TestServer::ScreenWidth, TX11TestServer::ScreenHeight, Desktop);
    XDefineCursor(Dpy, Other, XcursorLibraryLoadCursor(Dpy, "left_ptr"));
    Client->MovePointer(400, 700);
    for (const std::string& name : GunCursorNames()) Guns.push_back(GunCursor(name));
    FullGun = GunCursor("MOUSEFULL");
  }

  void TearDown() override {
    if (Client != nullptr) XDestroyWindow(Dpy, Other);
    Client.reset();
  }

  // The program's windows of that size that are mapped now.
  std::vector<TShownWindow> Shown(int width, int height) {
    // A window the program destroys while it is looked at is passed over by the test
    // client's error handler.
    std::vector<TShownWindow> found;
    for (const Window window : Client->OwnWindows()) {
      XWindowAttributes attributes{};
      if (!XGetWindowAttributes(Dpy, window, &attributes) || attributes.map_state != IsViewable) continue;
      if (attributes.width == width && attributes.height == height)
        found.push_back({attributes.x, attributes.y, width, height});
    }
    return found;
  }
  size_t Dialogs() { return Shown(DialogWidth, DialogHeight).size(); }
  bool MenuShown() { return !Shown(MenuWidth, MenuHeight).empty(); }
  bool GameShown() { return !Shown(TX11TestServer::ScreenWidth, TX11TestServer::ScreenHeight).empty(); }

  bool GunIsFull() { return CurrentCursor(Dpy) == FullGun; }
  // Any state of the gun: a game has started.
  bool GunShown() { return std::find(Guns.begin(), Guns.end(), CurrentCursor(Dpy)) != Guns.end(); }

  // True when the gun shows itself loaded all along for Ms: no shot fired, no game left.
  bool GunStaysFull(int ms) {
    const auto end = TClock::now() + std::chrono::milliseconds(ms);
    while (TClock::now() < end) {
      if (!GunIsFull()) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }

  // "PRESS LEFT MOUSE TO KILL ATTACKERS" in red, below the middle of the screen.
  bool HintShown() {
    const int left = 200, top = 620, width = TX11TestServer::ScreenWidth - 2 * left, height = 100;
    return WaitUntil([&] {
      int red = 0;
      for (const uint32_t pixel : Server->ShownPixels(left, top, width, height))
        if ((pixel >> 16) >= 0xA0 && ((pixel >> 8) & 0xFF) < 0x60 && (pixel & 0xFF) < 0x60) ++red;
      return red > 1000;
    });
  }

  void ClickAt(const TShownWindow& window, int x, int y) {
    Client->MovePointer(window.Left + x, window.Top + y);
    Client->Click(Button1);
  }

  void Tap(KeySym key) {
    Client->Key(key, true);
    Client->Key(key, false);
  }

  // From a game to the menu, once the menu has taken the pointer to the screen's middle.
  std::optional<TShownWindow> EscapeToMenu() {
    Tap(XK_Escape);
    const auto pointerInMiddle = [&] {
      Window root = None, child = None;
      int x = 0, y = 0, wx = 0, wy = 0;
      unsigned mask = 0;
      XQueryPointer(Dpy, Client->Root(), &root, &child, &x, &y, &wx, &wy, &mask);
      return x == TX11TestServer::ScreenWidth / 2 && y == TX11TestServer::ScreenHeight / 2;
    };
    if (!WaitUntil([&] { return MenuShown() && pointerInMiddle(); }, nullptr, StartTimeoutMs)) return std::nullopt;
    return Shown(MenuWidth, MenuHeight).front();
  }

  // Ends the program as a terminal's Ctrl+C would, cursors given back.
  static void Stop(TProgramRun& run) {
    run.Signal(SIGTERM);
    EXPECT_TRUE(run.WaitForEnd(10000).has_value()) << "the program did not end";
  }

  TX11TestServer* Server = nullptr;
  std::unique_ptr<TX11TestClient> Client;
  Display* Dpy = nullptr;
  Window Other = None;
  std::vector<TCursorPicture> Guns;
  TCursorPicture FullGun;
};

TEST_F(TProgramPressesTest, WhileItsMessageIsUpTheMenuTakesNoClickAndAfterwardsPlayStartsAGameWithoutAShot) {
  // No opener anywhere: HOMEPAGE fails, every time, with a message.
  const TScratchFolder empty("no-opener");
  TProgramRun run(Server->Name(), {"", {{"PATH", empty.Path.string()}}});
  ASSERT_TRUE(WaitUntil([&] { return GunIsFull(); }, nullptr, StartTimeoutMs)) << run.ErrorOutput();
  const std::optional<TShownWindow> menu = EscapeToMenu();
  ASSERT_TRUE(menu.has_value()) << "no menu after Escape; " << run.ErrorOutput();

  ClickAt(*menu, HomePageX, WordsY);
  ASSERT_TRUE(WaitUntil([&] { return Dialogs() == 1; }, nullptr, 5000)) << run.ErrorOutput();
  // HOMEPAGE again and again, beneath the message: never a second one, now or after.
  for (int i = 0; i < 5; ++i) {
    ClickAt(*menu, HomePageX, WordsY);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
  }
  EXPECT_FALSE(WaitUntil([&] { return Dialogs() != 1; }, nullptr, 1000)) << "a message over the message";
  Tap(XK_Return);
  ASSERT_TRUE(WaitUntil([&] { return Dialogs() == 0; })) << "the message did not close, or another took its place";
  EXPECT_FALSE(WaitUntil([&] { return Dialogs() != 0; }, nullptr, 1500)) << "a message followed the one closed";

  // The menu answers again: PLAY starts a game, and the click on it fires no shot.
  ClickAt(*menu, PlayX, WordsY);
  ASSERT_TRUE(WaitUntil([&] { return !MenuShown() && GunShown(); }, nullptr, 5000)) << "PLAY started no game";
  EXPECT_TRUE(GunStaysFull(1500)) << "a shot was fired, or the game ended";
  EXPECT_TRUE(HintShown());
  EXPECT_TRUE(GameShown());
  EXPECT_FALSE(run.WaitForEnd(0).has_value());
  Stop(run);
}

TEST_F(TProgramPressesTest, ClosingTheStartUpMessageByEscapeOrAClickStartsAGameThatKeepsRunningUnshot) {
  // A copy of the program beside a table it cannot read.
  const TScratchFolder folder("unreadable-table");
  const fs::path program = folder.Path / "blastover";
  fs::copy_file(ProgramPath(), program, fs::copy_options::overwrite_existing);
  for (const bool byEscape : {true, false}) {
    SCOPED_TRACE(byEscape ? "closed by Escape" : "closed by a click on Ok");
    std::ofstream(folder.Path / "HISCORE.XML") << "<root><RANK1>";
    TProgramRun run(Server->Name(), {program.string(), {}});
    ASSERT_TRUE(WaitUntil([&] { return Dialogs() == 1; }, nullptr, StartTimeoutMs)) << run.ErrorOutput();
    if (byEscape) Tap(XK_Escape);
    else ClickAt(Shown(DialogWidth, DialogHeight).front(), OkX, OkY);
    ASSERT_TRUE(WaitUntil([&] { return Dialogs() == 0 && GunShown(); }, nullptr, StartTimeoutMs)) << run.ErrorOutput();
    EXPECT_TRUE(GunStaysFull(2000)) << "a shot was fired, or the game ended";
    EXPECT_FALSE(MenuShown());
    EXPECT_TRUE(GameShown());
    EXPECT_TRUE(HintShown());
    EXPECT_FALSE(run.WaitForEnd(0).has_value());
    Stop(run);
  }
}

TEST_F(TProgramPressesTest, AFifoAsTheTableIsAMessageAtTheStartAndAStopSignalStillEndsTheProgramAtOnce) {
  // A FIFO that nobody writes: opening it to read would wait for ever.
  const TScratchFolder folder("fifo-table");
  const fs::path program = folder.Path / "blastover";
  fs::copy_file(ProgramPath(), program, fs::copy_options::overwrite_existing);
  ASSERT_EQ(mkfifo((folder.Path / "HISCORE.XML").c_str(), 0600), 0);
  TProgramRun run(Server->Name(), {program.string(), {}});
  ASSERT_TRUE(WaitUntil([&] { return Dialogs() == 1; }, nullptr, StartTimeoutMs)) << run.ErrorOutput();
  run.Signal(SIGTERM);
  const std::optional<int> status = run.WaitForEnd(1000);
  ASSERT_TRUE(status.has_value()) << "SIGTERM did not end the program within a second";
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 128 + SIGTERM) << *status;
  EXPECT_TRUE(fs::is_fifo(folder.Path / "HISCORE.XML"));
}

TEST_F(TProgramPressesTest, TwoCopiesOnTwoDisplaysFinishingTheirNamesAtTheSameInstantKeepBothRowsOnce) {
  // One folder, one table, whose rows any finished game beats.
  const TScratchFolder folder("two-displays");
  const fs::path program = ProgramBesideLowTable(folder.Path);
  TX11TestServer otherServer(false);
  TX11TestClient other(otherServer);
  // Left still in a corner, each gun is soon reached by the attackers: the games end.
  Client->MovePointer(2, 2);
  other.MovePointer(2, 2);
  TProgramRun first(Server->Name(), {program.string(), {}});
  TProgramRun second(otherServer.Name(), {program.string(), {}});
  ASSERT_TRUE(WaitUntil([&] { return MenuShownOn(*Client) && MenuShownOn(other); }, nullptr, 240000))
      << first.ErrorOutput() << second.ErrorOutput();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // each menu has taken the keyboard
  for (const auto& [client, letter] : {std::pair<TX11TestClient*, KeySym>{Client.get(), XK_a}, {&other, XK_b}}) {
    client->Key(letter, true);
    client->Key(letter, false);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  // Enter on both displays at the same instant.
  Client->Key(XK_Return, true);
  other.Key(XK_Return, true);
  Client->Key(XK_Return, false);
  other.Key(XK_Return, false);
  const auto rows = [&] {
    const std::string text = ReadText(folder.Path / "HISCORE.XML");
    int a = 0, b = 0;
    for (size_t at = text.find("<NAME>A</NAME>"); at != std::string::npos; at = text.find("<NAME>A</NAME>", at + 1)) ++a;
    for (size_t at = text.find("<NAME>B</NAME>"); at != std::string::npos; at = text.find("<NAME>B</NAME>", at + 1)) ++b;
    return std::make_pair(a, b);
  };
  EXPECT_TRUE(WaitUntil([&] { return rows() == std::make_pair(1, 1); }, nullptr, 5000))
      << rows().first << " rows of A, " << rows().second << " of B\n" << first.ErrorOutput() << second.ErrorOutput();
  EXPECT_FALSE(WaitUntil([&] { return rows() != std::make_pair(1, 1); }, nullptr, 1000));
  EXPECT_EQ(first.ErrorOutput().find("cannot"), std::string::npos) << first.ErrorOutput();
  EXPECT_EQ(second.ErrorOutput().find("cannot"), std::string::npos) << second.ErrorOutput();
  Stop(first);
  Stop(second);
}

TEST_F(TProgramPressesTest, ADisplayThatDiesOrAStopSignalDuringNameEntryLeavesTheRowWithTheNameTypedSoFar) {
  // Two games at once: one on a display that dies, one stopped by a signal.
  const TScratchFolder dyingFolder("dying-display"), stoppedFolder("stopped-game");
  const fs::path dyingProgram = ProgramBesideLowTable(dyingFolder.Path);
  const fs::path stoppedProgram = ProgramBesideLowTable(stoppedFolder.Path);
  TX11TestServer dyingServer(false);
  auto dyingClient = std::make_unique<TX11TestClient>(dyingServer);
  // Left still in a corner, each gun is soon reached by the attackers: the games end.
  Client->MovePointer(2, 2);
  dyingClient->MovePointer(2, 2);
  TProgramRun dying(dyingServer.Name(), {dyingProgram.string(), {}});
  TProgramRun stopped(Server->Name(), {stoppedProgram.string(), {}});
  ASSERT_TRUE(WaitUntil([&] { return MenuShownOn(*Client) && MenuShownOn(*dyingClient); }, nullptr, 240000))
      << dying.ErrorOutput() << stopped.ErrorOutput();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // each menu has taken the keyboard
  for (const auto& [client, letters] : {std::pair<TX11TestClient*, std::vector<KeySym>>{dyingClient.get(), {XK_x, XK_y}},
                                        {Client.get(), {XK_s, XK_t}}})
    for (const KeySym letter : letters) {
      client->Key(letter, true);
      client->Key(letter, false);
    }
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  // The test's own connection goes first: Xlib would end the test with the server.
  dyingClient.reset();
  dyingServer.Kill();
  stopped.Signal(SIGTERM);

  const std::optional<int> dyingEnd = dying.WaitForEnd(10000);
  ASSERT_TRUE(dyingEnd.has_value()) << "the program outlived its display";
  EXPECT_TRUE(WIFEXITED(*dyingEnd) && WEXITSTATUS(*dyingEnd) == 1) << *dyingEnd;
  EXPECT_NE(dying.ErrorOutput().find("the connection to the X display was lost"), std::string::npos) << dying.ErrorOutput();
  EXPECT_NE(ReadText(dyingFolder.Path / "HISCORE.XML").find("<NAME>XY</NAME>"), std::string::npos)
      << ReadText(dyingFolder.Path / "HISCORE.XML");

  const std::optional<int> stoppedEnd = stopped.WaitForEnd(10000);
  ASSERT_TRUE(stoppedEnd.has_value()) << "SIGTERM did not end the program";
  EXPECT_TRUE(WIFEXITED(*stoppedEnd) && WEXITSTATUS(*stoppedEnd) == 128 + SIGTERM) << *stoppedEnd;
  EXPECT_NE(ReadText(stoppedFolder.Path / "HISCORE.XML").find("<NAME>ST</NAME>"), std::string::npos)
      << ReadText(stoppedFolder.Path / "HISCORE.XML");
}

}  // namespace
