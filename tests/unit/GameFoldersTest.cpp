// Where an installed game and one in its build folder keep their files and find their
// documents, and the take-over of what an older copy left behind.
#include "support/GameFolders.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "HeadlessFixture.h"
#include "support/Xml.h"

namespace {

namespace fs = std::filesystem;

// A prefix with an installed program in PREFIX/bin and the player's data folder elsewhere,
// on the real disk: an installed game takes over an older copy's files there.
class GameFoldersTest : public THeadlessTest {
 protected:
  GameFoldersTest()
      : THeadlessTest(320, 240, 1000, THeadlessDisk::Real),
        Root(Platform->Files().ProgramFolder()),
        Data(Root + "home/data"),
        Home(std::getenv("HOME")) {
    SubFolder.clear();
    fs::create_directories(Root + "usr/bin");
    setenv("XDG_DATA_HOME", Data.c_str(), 1);
  }
  ~GameFoldersTest() override {
    unsetenv("XDG_DATA_HOME");
    setenv("HOME", Home.c_str(), 1);
  }

  void RunInstalled() { Platform->SetProgramFolder(Root + "usr/bin/"); }
  std::string DataFile(const std::string& name) const { return Data + "/blastover/" + name; }

  static std::string Read(const std::string& path) {
    std::ifstream file(path);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  }
  static void Write(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << text;
  }

  const std::string Root;
  const std::string Data;
  const std::string Home;
};

TEST_F(GameFoldersTest, AnInstalledGameKeepsItsFilesInThePlayersFolderWithoutAWord) {
  RunInstalled();
  testing::internal::CaptureStderr();
  SetSetting("hiscore", 7);
  SetSetting("hiscore", 8);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(Read(DataFile("SETTINGS.XML")), "<root><hiscore>8</hiscore></root>");
  // Its own folder could be written, but belongs to the system.
  EXPECT_FALSE(fs::exists(Root + "usr/bin/SETTINGS.XML"));
  EXPECT_EQ(DocumentFolder(), Root + "usr/share/doc/blastover/");
}

TEST_F(GameFoldersTest, AGameInItsBuildFolderKeepsItsFilesAndFindsItsPageBesideItself) {
  Platform->SetProgramFolder(Root + "build/");
  SetSetting("hiscore", 5);
  EXPECT_EQ(Read(Root + "build/SETTINGS.XML"), "<root><hiscore>5</hiscore></root>");
  EXPECT_FALSE(fs::exists(Data));
  EXPECT_EQ(DocumentFolder(), Root + "build/");
}

TEST_F(GameFoldersTest, TheTablesOfAnOlderCopyAreTakenOverOnceAndNeverOverwritten) {
  Write(Root + "usr/blastover/HISCORE.XML", "<root><RANK1><NAME>OLD</NAME><SCORE>900</SCORE></RANK1></root>");
  Write(Root + "usr/blastover/SETTINGS.XML", "<root><hiscore>900</hiscore></root>");
  Write(Root + "usr/blastover/homepage.html", "a page");
  RunInstalled();
  testing::internal::CaptureStderr();
  const std::string folder = XmlFolder();
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(folder, Data + "/blastover/");
  EXPECT_NE(said.find("HISCORE.XML and SETTINGS.XML"), std::string::npos) << said;
  EXPECT_NE(Read(DataFile("HISCORE.XML")).find("<NAME>OLD</NAME>"), std::string::npos);
  EXPECT_FALSE(fs::exists(DataFile("homepage.html")));
  EXPECT_TRUE(fs::exists(Root + "usr/blastover/HISCORE.XML"));

  // The player's own files win from then on, even when one of them is gone.
  SetSetting("hiscore", 1000);
  fs::remove(DataFile("HISCORE.XML"));
  testing::internal::CaptureStderr();
  XmlFolder();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(Read(DataFile("SETTINGS.XML")), "<root><hiscore>1000</hiscore></root>");
  EXPECT_FALSE(fs::exists(DataFile("HISCORE.XML")));
}

TEST_F(GameFoldersTest, TheDataFolderFollowsXdgDataHomeAndIgnoresARelativeOne) {
  EXPECT_EQ(UserDataFolder(), Data + "/blastover/");
  setenv("XDG_DATA_HOME", "relative/data", 1);
  setenv("HOME", (Root + "home").c_str(), 1);
  EXPECT_EQ(UserDataFolder(), Root + "home/.local/share/blastover/");
}

}  // namespace
