// Files on Windows: wide paths, saves that leave the old file or the new one, the fallback folder.
#include <gtest/gtest.h>

#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Text.h"

namespace {

class TWin32FileSystemTest : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t temporary[MAX_PATH];
    GetTempPathW(MAX_PATH, temporary);
    // A user folder with letters outside ASCII, as C:\Users\José is.
    Folder = Narrow(temporary) + "blastover-Jos\xC3\xA9-\xE2\x98\x83-" + std::to_string(GetCurrentProcessId()) +
             "\\deeper\\";
    ASSERT_TRUE(Files.MakeFolder(Folder));
    ASSERT_TRUE(Files.FolderAcceptsWrites(Folder));
    Path = Folder + "HISCORE.XML";
  }
  void TearDown() override {
    for (const char* name : {"HISCORE.XML", "HISCORE.XML.new", "HISCORE.XML.bad", "HISCORE.XML.lock"}) DeleteFilePath(Folder + name);
    RemoveDirectoryW(Widen(Folder).c_str());
    RemoveDirectoryW(Widen(Folder.substr(0, Folder.size() - 7)).c_str());
  }
  std::string Read(const std::string& path) { return Files.ReadFile(path, 1 << 20).Bytes; }

  TWin32FileSystem Files;
  std::string Folder, Path, Error;
};

TEST_F(TWin32FileSystemTest, ASaveReplacesTheFileWholeAndLeavesNothingBeside) {
  ASSERT_TRUE(Files.SaveFile(Path, "<root>first</root>", Error)) << Error;
  const std::string second("<root>\xC3\xA9\0second</root>", 22);
  ASSERT_TRUE(Files.SaveFile(Path, second, Error)) << Error;
  const TFileContents contents = Files.ReadFile(Path, 1000);
  EXPECT_EQ(contents.Outcome, TReadOutcome::Read);
  EXPECT_EQ(contents.Bytes, second);
  EXPECT_EQ(contents.Size, 22u);
  EXPECT_FALSE(PathExists(Path + ".new"));
  // The file is found by its wide name, as Explorer shows it.
  EXPECT_NE(GetFileAttributesW(Widen(Path).c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(TWin32FileSystemTest, ALeftOverOfACrashIsReplacedAndAFailedSaveKeepsTheOldFile) {
  ASSERT_TRUE(Files.SaveFile(Path, "old", Error));
  ASSERT_TRUE(Files.SaveFile(Path + ".new", "half written", Error));
  ASSERT_TRUE(Files.SaveFile(Path, "new", Error)) << Error;
  EXPECT_EQ(Read(Path), "new");

  // A target that cannot be replaced (a folder of that name): nothing changes, the error says why.
  const std::string blocked = Path + ".bad";
  ASSERT_TRUE(CreateDirectoryW(Widen(blocked).c_str(), nullptr));
  EXPECT_FALSE(Files.SaveFile(blocked, "x", Error));
  EXPECT_EQ(Error.rfind("cannot replace " + blocked + ": ", 0), 0u) << Error;
  EXPECT_FALSE(PathExists(blocked + ".new"));
  RemoveDirectoryW(Widen(blocked).c_str());
  EXPECT_EQ(Read(Path), "new");
}

TEST_F(TWin32FileSystemTest, ADamagedFileIsCopiedAsBadAndAMissingOneIsNoFailure) {
  ASSERT_TRUE(Files.SaveFile(Path, "<root><RANK1>", Error));
  ASSERT_TRUE(Files.SaveFile(Path + ".bad", "older damage", Error));
  ASSERT_TRUE(Files.KeepBadCopy(Path));
  EXPECT_EQ(Read(Path + ".bad"), "<root><RANK1>");
  EXPECT_EQ(Read(Path), "<root><RANK1>") << "a copy: the file itself is left to the caller";
  ASSERT_TRUE(DeleteFilePath(Path));
  EXPECT_FALSE(Files.KeepBadCopy(Path));
  EXPECT_EQ(Files.ReadFile(Path, 100).Outcome, TReadOutcome::Missing);
  EXPECT_EQ(Files.ReadFile(Folder + "no\\such\\folder\\HISCORE.XML", 100).Outcome, TReadOutcome::Missing);
  const TFileContents folder = Files.ReadFile(Folder, 100);
  EXPECT_EQ(folder.Outcome, TReadOutcome::Failed);
  EXPECT_FALSE(folder.Error.empty());
}

TEST_F(TWin32FileSystemTest, ASecondLockWaitsForTheFirstAndGivesUpAfterItsTimeoutSayingWhy) {
  std::unique_ptr<TFileLock> first = Files.LockFile(Path, 1000, Error);
  ASSERT_NE(first, nullptr) << Error;
  // A lock of another handle waits as another copy of the game's does.
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(Files.LockFile(Path, 300, Error), nullptr);
  EXPECT_GE(GetTickCount64() - start, 290u);
  EXPECT_EQ(Error, Path + " is being saved by another program, which has held " + Path + ".lock for more than 300 ms");
  first.reset();
  EXPECT_NE(Files.LockFile(Path, 300, Error), nullptr) << Error;
}

TEST_F(TWin32FileSystemTest, AFileLargerThanTheLimitIsRefusedUnread) {
  ASSERT_TRUE(Files.SaveFile(Path, std::string(2000, 'x'), Error));
  const TFileContents large = Files.ReadFile(Path, 1999);
  EXPECT_EQ(large.Outcome, TReadOutcome::TooLarge);
  EXPECT_EQ(large.Size, 2000u);
  EXPECT_TRUE(large.Bytes.empty());
  EXPECT_EQ(Files.ReadFile(Path, 2000).Outcome, TReadOutcome::Read);
}

TEST_F(TWin32FileSystemTest, TheDataFolderIsLocalAppDataAndAFileIsNoFolderToWriteIn) {
  ASSERT_TRUE(Files.SaveFile(Path, "", Error));
  EXPECT_FALSE(Files.MakeFolder(Path + "\\inside\\"));
  EXPECT_FALSE(Files.FolderAcceptsWrites(Path + "\\inside\\"));
  const std::string data = Files.DataFolder();
  EXPECT_NE(data.find("\\AppData\\Local\\Blastover\\"), std::string::npos) << data;
  EXPECT_TRUE(Files.MakeFolder(data));
  EXPECT_TRUE(Files.FolderAcceptsWrites(data));
  EXPECT_EQ(Files.ProgramName(), "blastover_win32_tests.exe");
  EXPECT_TRUE(PathExists(Files.ProgramFolder() + "blastover_win32_tests.exe"));
}

}  // namespace
