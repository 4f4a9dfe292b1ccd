// The real program under Wine, played by the test as a player would on a private X server:
// a whole game, the menu, a name typed, and the files it writes.
// GoogleTest comes before the X headers, whose macros (None, Bool) break its own.
#include <gtest/gtest.h>

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "WineProgram.h"
#include "../unit/GameFixture.h"
#include "../x11/X11TestServer.h"
#include "menu/HiScores.h"
#include "menu/MenuForm.h"

namespace {

namespace fs = std::filesystem;

// A table that any finished game enters at the top, whatever it scored.
constexpr const char* LowTable =
    "<root><RANK1><NAME>LOW</NAME><SCORE>-1</SCORE></RANK1><RANK2><NAME/><SCORE>-2</SCORE></RANK2>"
    "<RANK3><NAME/><SCORE>-3</SCORE></RANK3></root>";
constexpr int GameMs = 240000;  // three lives lost while the gun waits in a corner

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// Where Wine keeps %LOCALAPPDATA%\Blastover for the prefix the tests run in.
fs::path WineDataFolder() {
  const char* prefix = std::getenv("WINEPREFIX");
  fs::path root = prefix != nullptr ? fs::path(prefix) : fs::path();
  if (root.empty()) {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    root = (cache != nullptr ? fs::path(cache) : fs::path(std::getenv("HOME")) / ".cache") / "blastover" / "wine";
  }
  return root / "drive_c" / "users" / getpwuid(getuid())->pw_name / "AppData" / "Local" / "Blastover";
}

// The game's data folder under Wine, with no settings and the low table alone.
fs::path DataFolderWithLowTable() {
  const fs::path data = WineDataFolder();
  fs::create_directories(data);
  for (const char* name : {"HISCORE.XML", "SETTINGS.XML", "HISCORE.XML.bad"}) fs::remove(data / name);
  WriteFile(data / "HISCORE.XML", LowTable);
  return data;
}

// The score of the table's first row in a HISCORE.XML.
int32_t FirstScore(const std::string& table) {
  const size_t at = table.find("<SCORE>");
  return at == std::string::npos ? INT32_MIN : std::atoi(table.c_str() + at + 7);
}

// What the Linux build's menu writes when a game that scored Score ends against Table
// and the player types Keys: the same code as the game's, on the headless platform (its
// disk only keeps the bytes the game's XML writer makes).
class TLinuxMenu : public TGameTest {
 public:
  std::string Play(const std::string& table, int32_t score, std::initializer_list<uint16_t> keys) {
    WriteText(Folder() + HiScoreFileName, table);
    World->Menu = std::make_unique<TMenuForm>(*World->Font);  // reads the table, as a fresh start does
    uint32_t at = Platform->TickCount();
    for (const uint16_t key : keys) Platform->ScheduleKey(at += 100, key);
    World->Menu->RunMenu(score);
    return ReadText(Folder() + HiScoreFileName);
  }
  void TestBody() override {}
};

// The program in a folder of its own that even root cannot make files in while this
// lives (chattr +i), as a folder under Program Files is for a player; removed afterwards.
class TReadOnlyProgramFolder {
 public:
  TReadOnlyProgramFolder() : Folder(fs::temp_directory_path() / ("blastover-wine-" + std::to_string(getpid()))) {
    fs::create_directories(Folder);
    fs::copy_file(WindowsBuildFolder() + "/blastover.exe", Program(), fs::copy_options::overwrite_existing);
    Made = std::system(("chattr +i '" + Folder.string() + "'").c_str()) == 0;
  }
  ~TReadOnlyProgramFolder() {
    if (Made) std::system(("chattr -i '" + Folder.string() + "'").c_str());
    std::error_code ignored;
    fs::remove_all(Folder, ignored);
  }
  fs::path Program() const { return Folder / "blastover.exe"; }
  bool Made = false;
  const fs::path Folder;
};

// Keeps a picture of the screen for a failure's report; its path.
std::string KeepScreen(const std::string& display) {
  const std::string file = (fs::temp_directory_path() / ("wine-game-" + std::to_string(getpid()) + ".png")).string();
  std::system(("xwd -root -silent -display " + display + " | convert xwd:- '" + file + "' 2>/dev/null").c_str());
  return file;
}

// True once a window of a program started from blastover.exe is mapped on the display.
bool GameWindowMapped(TX11TestClient& client) {
  for (const Window window : client.StackedWindows()) {
    XClassHint hint{};
    if (!XGetClassHint(client.Dpy(), window, &hint)) continue;
    const bool game = hint.res_name != nullptr && std::string(hint.res_name) == "blastover.exe";
    XFree(hint.res_name);
    XFree(hint.res_class);
    if (game) return true;
  }
  return false;
}

// Waits for a game left alone in a corner to end and for its menu to wait for a name:
// the game over writes the best score to SETTINGS.XML, then the menu moves the pointer
// to its middle, where keys go.
testing::AssertionResult WaitForNameEntry(TX11TestClient& client, const fs::path& data, const std::string& display) {
  if (!WaitUntil([&] { return fs::exists(data / "SETTINGS.XML"); }, nullptr, GameMs))
    return testing::AssertionFailure() << "the game did not end; the screen: " << KeepScreen(display);
  const bool middle = WaitUntil([&] {
    int x = 0, y = 0;
    Window root, child;
    int wx, wy;
    unsigned mask;
    XQueryPointer(client.Dpy(), client.Root(), &root, &child, &x, &y, &wx, &wy, &mask);
    return x == TX11TestServer::ScreenWidth / 2 && y == TX11TestServer::ScreenHeight / 2;
  }, nullptr, 20000);
  if (!middle) return testing::AssertionFailure() << "no menu; the screen: " << KeepScreen(display);
  // The menu has just been activated: keys typed at once may come before it takes them.
  std::this_thread::sleep_for(std::chrono::seconds(3));
  return testing::AssertionSuccess();
}

void TypeKey(TX11TestClient& client, KeySym key) {
  client.Key(key, true);
  client.Key(key, false);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

TEST(WineGame, AGameEndsInTheMenuWhereATypedNameIsSavedAsLinuxSavesIt) {
  const std::string missing = WineTestsMissing({"blastover.exe"});
  ASSERT_TRUE(missing.empty()) << missing;
  TX11TestServer& server = TX11TestServer::Shared(false);
  EndWineServer();
  TX11TestClient client(server);
  const Window beneath = client.MakeWindow(0, 0, TX11TestServer::ScreenWidth, TX11TestServer::ScreenHeight, 0x336699);

  // The program's folder cannot be written: its files go to %LOCALAPPDATA%\Blastover,
  // where the table waits.
  TReadOnlyProgramFolder folder;
  ASSERT_TRUE(folder.Made) << "this test needs chattr on a file system that has the immutable attribute";
  const fs::path data = DataFolderWithLowTable();

  // Near a corner, where attackers come soon, inside the playfield.
  client.MovePointer(TX11TestServer::ScreenWidth - 100, TX11TestServer::ScreenHeight - 80);
  TWineProgram game(folder.Program().string(), {}, server.Name(), {"BLASTOVER_STDERR=1"});
  // A second start while the game runs says so, raises the running game and leaves.
  ASSERT_TRUE(WaitUntil([&] { return GameWindowMapped(client); }, nullptr, 30000)) << game.ErrorOutput();
  {
    TWineProgram second(folder.Program().string(), {}, server.Name());
    EXPECT_EQ(second.Wait(30000), 0) << second.ErrorOutput();
    const std::string said = "blastover: a game is already running on this desktop: it was brought to the front";
    EXPECT_NE(second.ErrorOutput().find(said), std::string::npos) << second.ErrorOutput();
  }
  ASSERT_TRUE(WaitForNameEntry(client, data, server.Name())) << game.ErrorOutput();
  const auto type = [&](KeySym key) { TypeKey(client, key); };
  for (const KeySym key : {XK_w, XK_i, XK_n, XK_e, XK_Return}) type(key);
  // Enter ends the entry and saves the table; Escape then is the menu's QUIT.
  EXPECT_TRUE(WaitUntil([&] { return ReadFile(data / "HISCORE.XML").find("WINE") != std::string::npos; }, nullptr,
                        10000))
      << "the screen: " << KeepScreen(server.Name());
  type(XK_Escape);
  EXPECT_EQ(game.Wait(30000), 0) << game.ErrorOutput();
  EXPECT_NE(game.ErrorOutput().find("cannot be written; scores and settings are kept in"), std::string::npos)
      << game.ErrorOutput();

  const std::string windowsTable = ReadFile(data / "HISCORE.XML");
  const int32_t score = FirstScore(windowsTable);
  ASSERT_GE(score, 0) << windowsTable;
  TLinuxMenu linux;
  EXPECT_EQ(windowsTable, linux.Play(LowTable, score, {'W', 'I', 'N', 'E', VK_RETURN, VK_ESCAPE}));
  EXPECT_NE(windowsTable.find("<NAME>WINE</NAME>"), std::string::npos) << windowsTable;
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.Folder), {}), 1) << "the program's own folder was not written";
  XDestroyWindow(client.Dpy(), beneath);
}

TEST(WineGame, TheSessionEndingWhileTheMenuWaitsForANameKeepsTheRowWithTheLettersTyped) {
  const std::string missing = WineTestsMissing({"blastover.exe"});
  ASSERT_TRUE(missing.empty()) << missing;
  TX11TestServer& server = TX11TestServer::Shared(false);
  EndWineServer();
  TX11TestClient client(server);
  TReadOnlyProgramFolder folder;
  ASSERT_TRUE(folder.Made) << "this test needs chattr on a file system that has the immutable attribute";
  const fs::path data = DataFolderWithLowTable();
  client.MovePointer(TX11TestServer::ScreenWidth - 100, TX11TestServer::ScreenHeight - 80);
  TWineProgram game(folder.Program().string(), {}, server.Name(), {"BLASTOVER_STDERR=1"});
  ASSERT_TRUE(WaitForNameEntry(client, data, server.Name())) << game.ErrorOutput();
  for (const KeySym key : {XK_e, XK_n, XK_d}) TypeKey(client, key);
  // The user logs off: every window is asked, then told that the session ends.
  const std::string endSession = "DISPLAY=" + server.Name() + " " + BLASTOVER_WINE_RUN + " wineboot --end-session";
  EXPECT_EQ(std::system(endSession.c_str()), 0);
  EXPECT_TRUE(WaitUntil([&] { return ReadFile(data / "HISCORE.XML").find("<NAME>END</NAME>") != std::string::npos; },
                        nullptr, 10000))
      << ReadFile(data / "HISCORE.XML") << game.ErrorOutput();
  EndWineServer();
}

TEST(WineGame, VersionNamesTheWindowsBackEnd) {
  const std::string missing = WineTestsMissing({"blastover.exe"});
  ASSERT_TRUE(missing.empty()) << missing;
  TWineProgram version("blastover.exe", {"--version"}, TX11TestServer::Shared(false).Name());
  EXPECT_NE(version.Expect("Blastover "), "");
  EXPECT_NE(version.Expect("  Win32: the see-through window"), "");
  EXPECT_EQ(version.Wait(), 0) << version.ErrorOutput();
}

}  // namespace
