// The POSIX file system against the real disk: what a full disk, a planted link, old
// permissions and the environment do, which no simulation can show.
#include "platform/posix/PosixFileSystem.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

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
  // The files a save of Path writes before it puts one in place, left in the folder.
  static std::vector<std::string> NewFilesOf(const std::string& path) {
    std::vector<std::string> left;
    const std::string prefix = std::filesystem::path(path).filename().string() + ".new";
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(path).parent_path()))
      if (entry.path().filename().string().rfind(prefix, 0) == 0) left.push_back(entry.path().filename().string());
    return left;
  }

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
  EXPECT_TRUE(NewFilesOf(path).empty());
  EXPECT_FALSE(Files.SaveFile(Folder + "no-folder/SETTINGS.XML", "x", error));
  EXPECT_TRUE(testing::Matches(testing::MatchesRegex("cannot write " + Folder +
                                                     "no-folder/SETTINGS.XML.new-[0-9]+-[0-9]+: No such file or directory"))(error))
      << error;
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
  EXPECT_EQ(error.rfind("cannot write " + path + ".new-", 0), 0u) << error;
  EXPECT_EQ(Read(path), "<root><hiscore>1</hiscore></root>");
  EXPECT_TRUE(NewFilesOf(path).empty());
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

TEST_F(PosixFileSystemTest, OnlyAPlainFileIsReadAndAFifoNeverMakesTheReadWait) {
  ASSERT_EQ(mkfifo((Folder + "FIFO.XML").c_str(), 0600), 0);
  std::filesystem::create_symlink(Folder + "FIFO.XML", Folder + "LINK.XML");
  for (const std::string& path : {Folder + "FIFO.XML", Folder + "LINK.XML", std::string("/dev/zero")}) {
    const auto start = std::chrono::steady_clock::now();
    const TFileContents contents = Files.ReadFile(path, 1 << 20);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << path;
    EXPECT_EQ(contents.Outcome, TReadOutcome::Failed) << path;
    EXPECT_EQ(contents.Error, "not a regular file") << path;
  }
  EXPECT_FALSE(InsideFileRead());
}

// Another copy of the game: a process that takes the lock of Path, holds it for HoldMs
// and ends. Returns once it holds the lock.
pid_t HoldLockElsewhere(TPosixFileSystem& files, const std::string& path, int holdMs) {
  int taken[2];
  if (pipe(taken) != 0) return -1;
  const pid_t other = fork();
  if (other == 0) {
    std::string error;
    const std::unique_ptr<TFileLock> lock = files.LockFile(path, 5000, error);
    [[maybe_unused]] const ssize_t said = write(taken[1], lock != nullptr ? "y" : "n", 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
    _exit(0);
  }
  close(taken[1]);
  char answer = 0;
  if (read(taken[0], &answer, 1) != 1 || answer != 'y') ADD_FAILURE() << "the other process took no lock";
  close(taken[0]);
  return other;
}

TEST_F(PosixFileSystemTest, ASecondLockWaitsForTheFirstAndGivesUpAfterItsTimeoutSayingWhy) {
  using TClock = std::chrono::steady_clock;
  const std::string path = Folder + "HISCORE.XML";
  std::string error;
  pid_t other = HoldLockElsewhere(Files, path, 1500);
  auto start = TClock::now();
  EXPECT_EQ(Files.LockFile(path, 300, error), nullptr);
  EXPECT_GE(TClock::now() - start, std::chrono::milliseconds(300));
  EXPECT_EQ(error, path + " is being saved by another program, which has held " + path + ".lock for more than 300 ms");
  waitpid(other, nullptr, 0);

  // Let go of within the wait: taken then.
  other = HoldLockElsewhere(Files, path, 200);
  start = TClock::now();
  EXPECT_NE(Files.LockFile(path, 5000, error), nullptr) << error;
  EXPECT_GE(TClock::now() - start, std::chrono::milliseconds(100));
  EXPECT_LT(TClock::now() - start, std::chrono::milliseconds(4000));
  waitpid(other, nullptr, 0);
  EXPECT_TRUE(std::filesystem::is_regular_file(path + ".lock"));

  // A folder under the lock's name is no lock.
  std::filesystem::create_directory(Folder + "OTHER.XML.lock");
  EXPECT_EQ(Files.LockFile(Folder + "OTHER.XML", 100, error), nullptr);
  EXPECT_EQ(error.rfind("cannot lock " + Folder + "OTHER.XML.lock: ", 0), 0u) << error;
}

TEST_F(PosixFileSystemTest, AnotherUserSharingTheFolderTakesTheLockToo) {
  if (getuid() != 0) GTEST_SKIP() << "becoming another user needs the superuser";
  const std::string path = Folder + "HISCORE.XML";
  std::string error;
  ASSERT_NE(Files.LockFile(path, 100, error), nullptr) << error;  // the lock's file is this user's now
  std::filesystem::permissions(Folder, std::filesystem::perms::all);
  const pid_t other = fork();
  if (other == 0) {
    const passwd* nobody = getpwnam("nobody");
    if (nobody == nullptr || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) _exit(2);
    std::string otherError;
    _exit(Files.LockFile(path, 100, otherError) != nullptr ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(other, &status, 0), other);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST_F(PosixFileSystemTest, ASaveRemovesOnlyTheNewFilesThatDeadProgramsLeft) {
  const std::string path = Folder + "HISCORE.XML";
  // A process that has ended: its number is free until the system gives it again.
  const pid_t dead = fork();
  if (dead == 0) _exit(0);
  waitpid(dead, nullptr, 0);
  Write(path + ".new-" + std::to_string(dead) + "-3", "crashed");
  Write(path + ".new-" + std::to_string(getppid()) + "-1", "another copy's save under way");
  std::string error;
  ASSERT_TRUE(Files.SaveFile(path, "mine", error)) << error;
  EXPECT_EQ(NewFilesOf(path), (std::vector<std::string>{"HISCORE.XML.new-" + std::to_string(getppid()) + "-1"}));
  EXPECT_EQ(Read(path), "mine");
}

}  // namespace
