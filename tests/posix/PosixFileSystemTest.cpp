// The POSIX file system against the real disk: what a full disk, a planted link, old
// permissions and the environment do, which no simulation can show.
#include "platform/posix/PosixFileSystem.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

class PosixFileSystemTest : public ::testing::Test {
 protected:
  PosixFileSystemTest() {
    char pattern[] = "/tmp/blastover-posix-XXXXXX";
    Folder = std::string(mkdtemp(pattern)) + "/";
  }
  ~PosixFileSystemTest() override { std::filesystem::remove_all(Folder); }

  static std::string Read(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  }
  static void Write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

  TPosixFileSystem Files;
  std::string Folder;
};

TEST_F(PosixFileSystemTest, ReadingTellsAMissingFileFromATooLargeOneAndFromAFolder) {
  EXPECT_EQ(Files.ReadFile(Folder + "none", 100).Outcome, TReadOutcome::Missing);
  EXPECT_EQ(Files.ReadFile(Folder + "none/deeper", 100).Outcome, TReadOutcome::Missing);
  Write(Folder + "file", "0123456789");
  EXPECT_EQ(Files.ReadFile(Folder + "file/deeper", 100).Outcome, TReadOutcome::Missing);
  const TFileContents whole = Files.ReadFile(Folder + "file", 10);
  EXPECT_EQ(whole.Outcome, TReadOutcome::Read);
  EXPECT_EQ(whole.Bytes, "0123456789");
  const TFileContents large = Files.ReadFile(Folder + "file", 9);
  EXPECT_EQ(large.Outcome, TReadOutcome::TooLarge);
  EXPECT_EQ(large.Size, 10u);
  EXPECT_TRUE(large.Bytes.empty());
  const TFileContents folder = Files.ReadFile(Folder, 100);
  EXPECT_EQ(folder.Outcome, TReadOutcome::Failed);
  EXPECT_EQ(folder.Error, "Is a directory");
}

TEST_F(PosixFileSystemTest, SavingReplacesTheFileWholeKeepingItsPermissionsAndLeavesNothingBeside) {
  const std::string path = Folder + "SETTINGS.XML";
  Write(path, "old");
  chmod(path.c_str(), 0600);
  std::string error;
  ASSERT_TRUE(Files.SaveFile(path, "new", error)) << error;
  EXPECT_EQ(Read(path), "new");
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_FALSE(std::filesystem::exists(path + ".new"));
  EXPECT_FALSE(Files.SaveFile(Folder + "no-folder/SETTINGS.XML", "x", error));
  EXPECT_EQ(error, "cannot write " + Folder + "no-folder/SETTINGS.XML.new: No such file or directory");
}

TEST_F(PosixFileSystemTest, ALinkPlantedWhereTheNewFileIsWrittenIsNotFollowed) {
  const std::string outside = Folder + "outside.txt";
  Write(outside, "untouched");
  std::filesystem::create_symlink(outside, Folder + "SETTINGS.XML.new");
  std::string error;
  ASSERT_TRUE(Files.SaveFile(Folder + "SETTINGS.XML", "mine", error)) << error;
  EXPECT_EQ(Read(outside), "untouched");
  EXPECT_EQ(Read(Folder + "SETTINGS.XML"), "mine");
}

TEST_F(PosixFileSystemTest, AFullDiskWhileSavingKeepsTheOldFileAndSaysWhy) {
  const std::string path = Folder + "SETTINGS.XML";
  Write(path, "<root><hiscore>1</hiscore></root>");
  // A file size limit makes every write past a few bytes fail, as a full disk does.
  signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit tiny = old;
  tiny.rlim_cur = 8;
  setrlimit(RLIMIT_FSIZE, &tiny);
  std::string error;
  const bool saved = Files.SaveFile(path, "<root><hiscore>2</hiscore></root>", error);
  setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_FALSE(saved);
  EXPECT_EQ(error.rfind("cannot write " + path + ".new: ", 0), 0u) << error;
  EXPECT_EQ(Read(path), "<root><hiscore>1</hiscore></root>");
  EXPECT_FALSE(std::filesystem::exists(path + ".new"));
}

TEST_F(PosixFileSystemTest, ABadCopyReplacesTheLastOneAndFoldersAreMadeWhereTheyCanBe) {
  Write(Folder + "HISCORE.XML", "broken");
  Write(Folder + "HISCORE.XML.bad", "older");
  EXPECT_TRUE(Files.KeepBadCopy(Folder + "HISCORE.XML"));
  EXPECT_EQ(Read(Folder + "HISCORE.XML.bad"), "broken");
  EXPECT_FALSE(Files.KeepBadCopy(Folder + "missing"));
  EXPECT_TRUE(Files.MakeFolder(Folder + "a/b/c/"));
  EXPECT_TRUE(Files.FolderAcceptsWrites(Folder + "a/b/c/"));
  EXPECT_FALSE(Files.MakeFolder(Folder + "HISCORE.XML/sub/"));
  EXPECT_FALSE(Files.FolderAcceptsWrites(Folder + "missing/"));
}

TEST_F(PosixFileSystemTest, ABadCopyNeverWritesThroughAPlantedLinkAndCopiesOnlyPlainFiles) {
  Write(Folder + "HISCORE.XML", "broken");
  Write(Folder + "elsewhere", "someone else's");
  std::filesystem::create_symlink(Folder + "elsewhere", Folder + "HISCORE.XML.bad");
  std::filesystem::create_symlink(Folder + "elsewhere", Folder + "HISCORE.XML.bad.new");
  EXPECT_TRUE(Files.KeepBadCopy(Folder + "HISCORE.XML"));
  EXPECT_EQ(Read(Folder + "elsewhere"), "someone else's");
  EXPECT_FALSE(std::filesystem::is_symlink(Folder + "HISCORE.XML.bad"));
  EXPECT_EQ(Read(Folder + "HISCORE.XML.bad"), "broken");
  // A folder in the copy's place, or a device or FIFO in the table's, gives no copy.
  std::filesystem::remove(Folder + "HISCORE.XML.bad");
  std::filesystem::create_directory(Folder + "HISCORE.XML.bad");
  EXPECT_FALSE(Files.KeepBadCopy(Folder + "HISCORE.XML"));
  std::filesystem::create_symlink("/dev/zero", Folder + "ZERO.XML");
  EXPECT_FALSE(Files.KeepBadCopy(Folder + "ZERO.XML"));
  ASSERT_EQ(mkfifo((Folder + "FIFO.XML").c_str(), 0600), 0);
  EXPECT_FALSE(Files.KeepBadCopy(Folder + "FIFO.XML"));
  EXPECT_FALSE(std::filesystem::exists(Folder + "ZERO.XML.bad"));
}

TEST_F(PosixFileSystemTest, AFileWithoutWritePermissionIsReadOnlyEvenToTheSuperuser) {
  Write(Folder + "HISCORE.XML", "<root/>");
  EXPECT_FALSE(Files.IsReadOnly(Folder + "HISCORE.XML"));
  std::filesystem::permissions(Folder + "HISCORE.XML", std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  EXPECT_TRUE(Files.IsReadOnly(Folder + "HISCORE.XML"));
  EXPECT_FALSE(Files.IsReadOnly(Folder + "missing"));
  EXPECT_FALSE(Files.IsReadOnly(Folder));
}

TEST_F(PosixFileSystemTest, TheDataFolderFollowsXdgDataHomeOrElseTheHomeFolder) {
  const char* savedData = std::getenv("XDG_DATA_HOME");
  const char* savedHome = std::getenv("HOME");
  const std::string data = savedData ? savedData : "", home = savedHome ? savedHome : "";
  setenv("XDG_DATA_HOME", "/data", 1);
  setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(Files.DataFolder(), "/data/blastover/");
  setenv("XDG_DATA_HOME", "relative", 1);  // not absolute: ignored, as the standard says
  EXPECT_EQ(Files.DataFolder(), "/home/someone/.local/share/blastover/");
  unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(Files.DataFolder(), "/home/someone/.local/share/blastover/");
  // Without HOME, the password database's home; never the folder the game was started in.
  unsetenv("HOME");
  const passwd* user = getpwuid(getuid());
  ASSERT_NE(user, nullptr);
  EXPECT_EQ(Files.DataFolder(), std::string(user->pw_dir) + "/.local/share/blastover/");
  savedData ? setenv("XDG_DATA_HOME", data.c_str(), 1) : unsetenv("XDG_DATA_HOME");
  savedHome ? setenv("HOME", home.c_str(), 1) : unsetenv("HOME");
}

TEST_F(PosixFileSystemTest, TheProgramsFolderAndNameAreThoseOfTheRunningFile) {
  const std::filesystem::path self = std::filesystem::canonical("/proc/self/exe");
  EXPECT_EQ(Files.ProgramFolder(), self.parent_path().string() + "/");
  EXPECT_EQ(Files.ProgramName(), self.filename().string());
}

}  // namespace
