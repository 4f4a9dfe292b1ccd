// The per-user lock of a desktop: one holder at a time, let go however the holder ends.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/posix/InstanceLock.h"

namespace {

using TOutcome = TInstanceLock::TOutcome;

// A runtime folder of the test's own, as a desktop session gives each user.
class TInstanceLockTest : public testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/blastover-runtime-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    Runtime = folder;
    const char* before = std::getenv("XDG_RUNTIME_DIR");
    if (before != nullptr) Previous = before;
    setenv("XDG_RUNTIME_DIR", Runtime.c_str(), 1);
  }
  void TearDown() override {
    if (Previous.empty()) unsetenv("XDG_RUNTIME_DIR");
    else setenv("XDG_RUNTIME_DIR", Previous.c_str(), 1);
    std::filesystem::remove_all(Runtime);
  }

  TOutcome Take(const std::string& desktop, std::unique_ptr<TInstanceLock>& lock) {
    std::string error;
    const TOutcome outcome = TInstanceLock::Take(desktop, lock, error);
    EXPECT_EQ(outcome == TOutcome::Unavailable, !error.empty()) << error;
    return outcome;
  }

  std::string Runtime;
  std::string Previous;
  // Names of desktops no game of this machine plays on.
  const std::string Desktop = "test-" + std::to_string(getpid()) + "-1";
  const std::string OtherDesktop = "test-" + std::to_string(getpid()) + "-2";
};

TEST_F(TInstanceLockTest, OneHolderPerDesktopUntilItLetsGo) {
  std::unique_ptr<TInstanceLock> first, second, other;
  ASSERT_EQ(Take(Desktop, first), TOutcome::Taken);
  EXPECT_EQ(first->Path().rfind(Runtime + "/", 0), 0u) << first->Path();
  // Even within one process: each start opens the file anew.
  EXPECT_EQ(Take(Desktop, second), TOutcome::HeldElsewhere);
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(Take(OtherDesktop, other), TOutcome::Taken) << "another display is another desktop";
  first.reset();
  EXPECT_EQ(Take(Desktop, second), TOutcome::Taken);
  // A name with a folder in it stays a file of the lock folder.
  std::unique_ptr<TInstanceLock> odd;
  ASSERT_EQ(Take("../x11/evil", odd), TOutcome::Taken);
  EXPECT_EQ(std::filesystem::path(odd->Path()).parent_path(), Runtime);
}

TEST_F(TInstanceLockTest, AHolderKilledOutrightLetsGo) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t holder = fork();
  if (holder == 0) {
    std::unique_ptr<TInstanceLock> lock;
    std::string error;
    if (TInstanceLock::Take(Desktop, lock, error) != TOutcome::Taken) _exit(1);
    [[maybe_unused]] const ssize_t written = write(ready[1], "x", 1);
    pause();
    _exit(0);
  }
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  std::unique_ptr<TInstanceLock> lock;
  EXPECT_EQ(Take(Desktop, lock), TOutcome::HeldElsewhere);
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  EXPECT_EQ(Take(Desktop, lock), TOutcome::Taken);
  close(ready[0]);
  close(ready[1]);
}

TEST_F(TInstanceLockTest, ARuntimeFolderOthersCanWriteToIsPassedOverForTheUsersOwn) {
  chmod(Runtime.c_str(), 0777);
  std::unique_ptr<TInstanceLock> lock;
  ASSERT_EQ(Take(Desktop, lock), TOutcome::Taken);
  EXPECT_EQ(std::filesystem::path(lock->Path()).parent_path(), "/tmp/blastover-" + std::to_string(getuid()));
  struct stat facts {};
  ASSERT_EQ(stat(std::filesystem::path(lock->Path()).parent_path().c_str(), &facts), 0);
  EXPECT_EQ(facts.st_mode & 0777, 0700u);
  const std::string file = lock->Path();
  lock.reset();
  std::filesystem::remove(file);
}

}  // namespace
