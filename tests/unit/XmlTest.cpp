// The XML wrapper: opening, the settings store, guarded reading and safe writing.
#include "support/Xml.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include <filesystem>
#include <fstream>

#include "HeadlessFixture.h"

namespace {

class XmlTest : public THeadlessTest {
 protected:
  XmlTest() { SubFolder.clear(); }
  std::string Folder() { return Platform->ProgramFolder(); }
  static std::string Read(const std::string& path) {
    std::ifstream file(path);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  }
  static void Write(const std::string& path, const std::string& text) { std::ofstream(path) << text; }
};

TEST_F(XmlTest, ABareNameOpensInTheProgramsFolderAndAnEmptyNameHasARoot) {
  const auto missing = OpenXML("HISCORE.XML");
  EXPECT_EQ(missing->FileName, Folder() + "HISCORE.XML");
  EXPECT_FALSE(missing->Root());
  const auto unnamed = OpenXML("");
  EXPECT_EQ(std::string(unnamed->Root().name()), "root");
  EXPECT_TRUE(unnamed->FileName.empty());
  SubFolder = "XML/";
  EXPECT_EQ(OpenXML("A.XML")->FileName, Folder() + "XML/A.XML");
  EXPECT_TRUE(std::filesystem::is_directory(Folder() + "XML"));
}

TEST_F(XmlTest, ASettingIsReplacedInPlaceInLowerCaseAndOtherSettingsStay) {
  Write(Folder() + "SETTINGS.XML", "<root><volume>7</volume><hiscore>10</hiscore></root>");
  SetSetting("HISCORE", 1500);
  SetSetting("HISCORE", 1700);
  EXPECT_EQ(Read(Folder() + "SETTINGS.XML"), "<root><volume>7</volume><hiscore>1700</hiscore></root>");
  // Found by fuzzing: a key that an edited file holds twice ends up once, with the new value.
  Write(Folder() + "TWICE.XML", "<root><hiscore>1</hiscore><x/><hiscore>2</hiscore></root>");
  SetSetting("hiscore", 3, "TWICE");
  EXPECT_EQ(Read(Folder() + "TWICE.XML"), "<root><x/><hiscore>3</hiscore></root>");
  SetSetting("Name", "", "OTHER.TXT");
  EXPECT_EQ(Read(Folder() + "OTHER.XML"), "<root><name/></root>");
}

TEST_F(XmlTest, OversizedDeeplyNestedAndBrokenFilesAreRefusedWithTheirReason) {
  Write(Folder() + "BIG.XML", "<root>" + std::string(MaxXmlFileBytes, ' ') + "</root>");
  std::string deep;
  for (int i = 0; i < 100; ++i) deep += "<a>";
  Write(Folder() + "DEEP.XML", deep);
  Write(Folder() + "BROKEN.XML", "<root><RANK1>");
  for (const char* name : {"BIG.XML", "DEEP.XML", "BROKEN.XML"}) {
    try {
      OpenXML(name);
      ADD_FAILURE() << name << " was read";
    } catch (const EXmlError& error) {
      EXPECT_NE(std::string(error.what()).find(name), std::string::npos) << error.what();
    }
  }
}

TEST_F(XmlTest, SavingReplacesTheFileWholeAndKeepsItsPermissions) {
  const std::string path = Folder() + "SETTINGS.XML";
  Write(path, "<root><old>1</old></root>");
  chmod(path.c_str(), 0600);
  SetSetting("hiscore", 5);
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_FALSE(std::filesystem::exists(path + ".new"));
}

TEST_F(XmlTest, AFullDiskWhileSavingKeepsTheOldFileAndSaysWhy) {
  const std::string path = Folder() + "SETTINGS.XML";
  Write(path, "<root><hiscore>1</hiscore></root>");
  // A file size limit makes every write past a few bytes fail, as a full disk does.
  signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit tiny = old;
  tiny.rlim_cur = 8;
  setrlimit(RLIMIT_FSIZE, &tiny);
  std::string message;
  try {
    SetSetting("hiscore", 2);
  } catch (const EXmlError& error) {
    message = error.what();
  }
  setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_NE(message.find("cannot write"), std::string::npos) << message;
  EXPECT_EQ(Read(path), "<root><hiscore>1</hiscore></root>");
  EXPECT_FALSE(std::filesystem::exists(path + ".new"));
}

TEST_F(XmlTest, ALinkPlantedWhereTheNewFileIsWrittenIsNotFollowed) {
  const std::string outside = Folder() + "outside.txt";
  Write(outside, "untouched");
  std::filesystem::create_symlink(outside, Folder() + "SETTINGS.XML.new");
  SetSetting("hiscore", 3);
  EXPECT_EQ(Read(outside), "untouched");
  EXPECT_EQ(Read(Folder() + "SETTINGS.XML"), "<root><hiscore>3</hiscore></root>");
}

TEST_F(XmlTest, AFolderThatCannotBeWrittenGivesWayToTheUsersDataFolder) {
  const std::string blocker = Folder() + "not-a-folder";
  const std::string data = Folder() + "data";
  Write(blocker, "");
  Platform->SetProgramFolder(blocker + "/");
  setenv("XDG_DATA_HOME", data.c_str(), 1);
  SetSetting("hiscore", 42);
  unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(Read(data + "/blastover/SETTINGS.XML"), "<root><hiscore>42</hiscore></root>");
}

}  // namespace
