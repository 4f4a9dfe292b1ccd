// The program itself on a private X server: the desktop's cursors through a game and after the program ends however it ends, and one game at a time.
// GoogleTest comes before the X headers, whose macros (None, Bool) break its own.
#include <gtest/gtest.h>

#include <X11/Xcursor/Xcursor.h>
#include <X11/keysym.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <thread>

#include "ProgramRun.h"
#include "X11TestServer.h"

namespace {

using TClock = std::chrono::steady_clock;

constexpr uint32_t Desktop = 0x204060;
// Away from the middle, where the game writes its messages.
constexpr int PointerX = 400, PointerY = 700;
// Starting takes a while under the sanitizers.
constexpr int StartTimeoutMs = 20000;

// A cursor that the screen showed from a time on, in milliseconds since the watch began.
struct TSeen {
  std::string Name;
  long AtMs;
};

class TGunCursorProgramTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(ProgramPath())) GTEST_SKIP() << "no program at " << ProgramPath();
    Server = &TX11TestServer::Shared(false);
    Client = std::make_unique<TX11TestClient>(*Server);
    Dpy = Client->Dpy();
    // Another application's window under the pointer, with the theme's arrow loaded by name.
    Other = Client->MakeWindow(0, 0, TX11TestServer::ScreenWidth, TX11TestServer::ScreenHeight, Desktop);
    XDefineCursor(Dpy, Other, XcursorLibraryLoadCursor(Dpy, "left_ptr"));
    Client->MovePointer(PointerX, PointerY);
    Standard = CurrentCursor(Dpy);
    ASSERT_GT(Standard.Width, 0);
    for (const std::string& name : GunCursorNames()) Guns[name] = GunCursor(name);
    WaitUntil([&] { return AroundPointer() != std::vector<uint32_t>(AroundPointer().size(), Desktop); });
    StandardShown = AroundPointer();
  }

  void TearDown() override {
    if (Client != nullptr) XDestroyWindow(Dpy, Other);
    Client.reset();
  }

  // "standard", a gun cursor's name, or "" for anything else (nothing readable included).
  std::string CursorNow() {
    const TCursorPicture now = CurrentCursor(Dpy);
    if (now == Standard) return "standard";
    for (const auto& [name, picture] : Guns)
      if (now == picture) return name;
    return "";
  }

  bool WaitForCursor(const std::string& name, int timeoutMs) {
    return WaitUntil([&] { return CursorNow() == name; }, nullptr, timeoutMs);
  }

  // The cursors shown, as they change, until Last is shown after Since (or TimeoutMs pass).
  std::vector<TSeen> Watch(const std::string& since, const std::string& last, int timeoutMs) {
    std::vector<TSeen> seen;
    const auto start = TClock::now();
    bool began = false;
    while (TClock::now() - start < std::chrono::milliseconds(timeoutMs)) {
      const std::string name = CursorNow();
      if (seen.empty() || seen.back().Name != name) {
        const auto at = std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - start);
        seen.push_back({name, static_cast<long>(at.count())});
        began = began || name == since;
        if (began && name == last) break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(4));
    }
    return seen;
  }

  std::vector<uint32_t> AroundPointer() { return Server->ShownPixels(PointerX - 8, PointerY - 8, 48, 48); }

  // The user's view once the program is gone (XFixes can no longer read the cursors it made).
  bool ShowsTheStandardArrow() {
    return WaitUntil([&] { return AroundPointer() == StandardShown; }, nullptr, 2000);
  }

  // Ends the game with Escape and then the program, by SIGTERM if a menu keeps it running.
  void Quit(TProgramRun& run) {
    Client->Key(XK_Escape, true);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Client->Key(XK_Escape, false);
    ASSERT_TRUE(WaitUntil([&] { return run.WaitForEnd(0) || CursorNow() == "standard"; }, nullptr, 5000))
        << "the game did not end";
    if (!run.WaitForEnd(1000)) run.Signal(SIGTERM);
    const std::optional<int> status = run.WaitForEnd(5000);
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(WIFEXITED(*status) && (WEXITSTATUS(*status) == 0 || WEXITSTATUS(*status) == 128 + SIGTERM)) << *status;
    // The menu moves the pointer to itself; the picture is what counts here, not the place.
    Client->MovePointer(PointerX, PointerY);
  }

  TX11TestServer* Server = nullptr;
  std::unique_ptr<TX11TestClient> Client;
  Display* Dpy = nullptr;
  Window Other = None;
  TCursorPicture Standard;
  std::vector<uint32_t> StandardShown;
  std::map<std::string, TCursorPicture> Guns;
};

// When Name was first shown after AfterMs; -1 when it was not.
long TimeOf(const std::vector<TSeen>& seen, const std::string& name, long afterMs = -1) {
  for (const TSeen& s : seen)
    if (s.Name == name && s.AtMs > afterMs) return s.AtMs;
  return -1;
}

std::string Describe(const std::vector<TSeen>& seen) {
  std::string text;
  for (const TSeen& s : seen) text += (s.Name.empty() ? "?" : s.Name) + "@" + std::to_string(s.AtMs) + " ";
  return text;
}

TEST_F(TGunCursorProgramTest, TheDesktopShowsTheGunsStateThroughAGameAndItsOwnCursorsAfterIt) {
  TProgramRun run(Server->Name());
  ASSERT_TRUE(WaitForCursor("MOUSEFULL", StartTimeoutMs)) << run.ErrorOutput();

  // A shot: the red arrow while the flash grows, then the bar fills a column every
  // 200 ms, and 2 s after the shot the gun is ready again.
  Client->Click(Button1);
  const std::vector<TSeen> shot = Watch("MOUSERED", "MOUSEFULL", 5000);
  const std::string story = Describe(shot);
  const long red = TimeOf(shot, "MOUSERED");
  const long full = TimeOf(shot, "MOUSEFULL", red);
  ASSERT_GE(red, 0) << story;
  ASSERT_GT(full, red) << story;
  EXPECT_NEAR(full - red, 2000, 350) << story;
  std::vector<std::pair<int, long>> columns;
  for (const TSeen& s : shot)
    if (s.Name.rfind("MOUSEARROW", 0) == 0) columns.emplace_back(std::stoi(s.Name.substr(10)), s.AtMs);
  ASSERT_GE(columns.size(), 7u) << story;
  EXPECT_LE(columns.front().first, 2) << story;
  EXPECT_EQ(columns.back().first, 9) << story;
  EXPECT_NEAR(columns.front().second - red, 170, 130) << "the red arrow lasts the flash's five frames; " << story;
  for (size_t i = 1; i < columns.size(); ++i) EXPECT_GT(columns[i].first, columns[i - 1].first) << story;
  const double perColumn = static_cast<double>(columns.back().second - columns.front().second) /
                           (columns.back().first - columns.front().first);
  EXPECT_NEAR(perColumn, 200, 50) << story;
  for (const TSeen& s : shot) EXPECT_FALSE(s.Name.empty() || s.Name == "standard") << story;

  // Left still, the pointer is reached by the attackers: the pointer vanishes for the
  // death explosion, then the gold coin shows the invincibility that follows.
  ASSERT_TRUE(WaitForCursor("MOUSEEMPTY", 30000)) << "the attackers never reached the pointer";
  const std::vector<TSeen> death = Watch("MOUSEEMPTY", "MOUSEGOLD", 3000);
  ASSERT_EQ(death.size(), 2u) << Describe(death);
  EXPECT_EQ(death.back().Name, "MOUSEGOLD");
  // 1200 ms from the explosion's start. Seen from outside, the start shows up to a poll
  // late and the end comes with a frame, which a loaded machine delays (1687 ms has
  // been seen under a load average of 10). Far shorter or longer is a fault.
  EXPECT_GE(death.back().AtMs, 850) << Describe(death);
  EXPECT_LE(death.back().AtMs, 1900) << Describe(death);

  Quit(run);
  EXPECT_TRUE(ShowsTheStandardArrow());
}

TEST_F(TGunCursorProgramTest, AStoppedProgramGivesTheCursorsBackAndAKilledOneLeavesThemToTheNextStart) {
  {
    TProgramRun run(Server->Name());
    ASSERT_TRUE(WaitForCursor("MOUSEFULL", StartTimeoutMs)) << run.ErrorOutput();
    run.Signal(SIGTERM);
    const std::optional<int> status = run.WaitForEnd(5000);
    ASSERT_TRUE(status.has_value()) << "SIGTERM did not end the program";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 128 + SIGTERM) << *status;
    EXPECT_NE(run.ErrorOutput().find("blastover: stopped by SIGTERM\n"), std::string::npos) << run.ErrorOutput();
    // Done before the program ended, not left to the server.
    EXPECT_TRUE(Client->OwnWindows().empty());
    EXPECT_TRUE(ShowsTheStandardArrow());
  }
  {
    TProgramRun run(Server->Name());
    ASSERT_TRUE(WaitForCursor("MOUSEFULL", StartTimeoutMs)) << run.ErrorOutput();
    run.Signal(SIGKILL);
    ASSERT_TRUE(run.WaitForEnd(5000));
    // Nobody could give them back: the gun stays over the other window.
    std::vector<uint32_t> gun;
    for (const uint32_t pixel : Guns["MOUSEFULL"].Pixels) gun.push_back((pixel >> 24) != 0 ? pixel & 0xFFFFFF : Desktop);
    EXPECT_TRUE(WaitUntil([&] { return Server->ShownPixels(PointerX, PointerY, 32, 32) == gun; }));
  }
  {
    // Starting and quitting once mends the desktop.
    TProgramRun run(Server->Name());
    ASSERT_TRUE(WaitForCursor("MOUSEFULL", StartTimeoutMs)) << run.ErrorOutput();
    Quit(run);
    EXPECT_TRUE(ShowsTheStandardArrow());
  }
}

TEST_F(TGunCursorProgramTest, ASecondStartSaysAGameIsRunningOnceAndLeavesItPlaying) {
  TProgramRun first(Server->Name());
  ASSERT_TRUE(WaitForCursor("MOUSEFULL", StartTimeoutMs)) << first.ErrorOutput();
  TProgramRun second(Server->Name());
  const std::optional<int> status = second.WaitForEnd(StartTimeoutMs);
  ASSERT_TRUE(status.has_value()) << "the second copy runs on";
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << *status;
  const std::string said = second.ErrorOutput();
  const std::string expected = "blastover: a game is already running on display " + Server->Name() +
                               ": it was brought to the front\n";
  EXPECT_NE(said.find(expected), std::string::npos) << said;
  EXPECT_EQ(said.find(expected), said.rfind(expected)) << "said more than once: " << said;
  EXPECT_FALSE(first.WaitForEnd(0)) << "the running game ended";
  EXPECT_EQ(CursorNow(), "MOUSEFULL") << "the running game's cursors were given back";
  Quit(first);
  EXPECT_TRUE(ShowsTheStandardArrow());
}

TEST_F(TGunCursorProgramTest, TheDisplayDecidesWhenTheLockCannotAnotherRuntimeFolderABrokenLockOrAnotherSpelling) {
  // Private runtime folders, as a login gives them; one where no lock can be made.
  const std::filesystem::path base = std::filesystem::path(testing::TempDir()) / ("runtime-" + std::to_string(getpid()));
  const std::string first = (base / "first").string(), other = (base / "other").string(), broken = (base / "broken").string();
  for (const std::string& folder : {first, other, broken}) {
    std::filesystem::create_directories(folder);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
  }
  const std::string number = Server->Name().substr(Server->Name().rfind(':') + 1);
  std::filesystem::create_directory(broken + "/blastover-x11-" + number + ".lock");

  TProgramRun game(Server->Name(), {"", {{"XDG_RUNTIME_DIR", first}}});
  ASSERT_TRUE(WaitForCursor("MOUSEFULL", StartTimeoutMs)) << game.ErrorOutput();
  const std::vector<std::pair<std::string, TProgramStart>> starts = {
      {"another runtime folder", {"", {{"XDG_RUNTIME_DIR", other}}}},
      {"a lock that cannot be made", {"", {{"XDG_RUNTIME_DIR", broken}}}},
      {"the display as unix/:N", {"", {{"XDG_RUNTIME_DIR", other}, {"DISPLAY", "unix/:" + number}}}},
      {"the display as :N.0", {"", {{"XDG_RUNTIME_DIR", broken}, {"DISPLAY", ":" + number + ".0"}}}},
  };
  for (const auto& [what, start] : starts) {
    SCOPED_TRACE(what);
    TProgramRun second(Server->Name(), start);
    const std::optional<int> status = second.WaitForEnd(StartTimeoutMs);
    ASSERT_TRUE(status.has_value()) << "a second game runs";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << *status;
    EXPECT_NE(second.ErrorOutput().find("blastover: a game is already running on display "), std::string::npos)
        << second.ErrorOutput();
    EXPECT_FALSE(game.WaitForEnd(0)) << "the running game ended";
  }
  EXPECT_EQ(CursorNow(), "MOUSEFULL") << "the running game's cursors were given back";
  Quit(game);
  std::filesystem::remove_all(base);
}

}  // namespace
