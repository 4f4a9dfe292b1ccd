// Two copies of the game, each a process of its own, save the one table at the same
// instant again and again: every row either saved stays, exactly once.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "menu/HiScores.h"
#include "platform/headless/HeadlessPlatform.h"
#include "support/Xml.h"

namespace {

constexpr int Rounds = 100;

// A copy of the game's saving, with pipes to start each round and hear its outcome.
struct TRacer {
  TRacer(const std::string& folder, const std::string& name, int number) {
    int go[2], done[2];
    if (pipe(go) != 0 || pipe(done) != 0) return;
    Pid = fork();
    if (Pid == 0) {
      dup2(go[0], STDIN_FILENO);
      dup2(done[1], STDOUT_FILENO);
      close(go[1]);
      close(done[0]);
      execl(BLASTOVER_SAVE_RACE, BLASTOVER_SAVE_RACE, folder.c_str(), name.c_str(), std::to_string(number).c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    close(go[0]);
    close(done[1]);
    Go = go[1];
    Done = done[0];
  }
  ~TRacer() {
    close(Go);
    close(Done);
    if (Pid > 0) waitpid(Pid, nullptr, 0);
  }
  TRacer(const TRacer&) = delete;
  TRacer& operator=(const TRacer&) = delete;

  void Start() { ASSERT_EQ(write(Go, "g", 1), 1); }
  char Outcome() {
    char result = 0;
    return read(Done, &result, 1) == 1 ? result : '?';
  }

  pid_t Pid = -1;
  int Go = -1, Done = -1;
};

TEST(SaveRaceTest, TwoCopiesSavingAtTheSameInstantKeepEveryRowExactlyOnce) {
  THeadlessPlatform platform(640, 480, 1000, THeadlessDisk::Real);
  InstallPlatform(&platform);
  SubFolder.clear();
  const std::string folder = platform.Files().ProgramFolder();
  TRacer a(folder, "A", 1), b(folder, "B", 2);
  ASSERT_GT(a.Pid, 0);
  ASSERT_GT(b.Pid, 0);
  // Every row saved so far, best first, with the default table's beneath them.
  std::vector<std::pair<int32_t, std::string>> expected;
  for (int i = 0; i < HiScoreRows; ++i) expected.emplace_back(1000 - 100 * i, "");
  for (int round = 0; round < Rounds; ++round) {
    a.Start();
    b.Start();
    ASSERT_EQ(a.Outcome(), 'S') << "round " << round;
    ASSERT_EQ(b.Outcome(), 'S') << "round " << round;
    expected.insert(expected.begin(), {{10000 + 10 * round + 2, "B" + std::to_string(round)},
                                       {10000 + 10 * round + 1, "A" + std::to_string(round)}});
    expected.resize(HiScoreRows);
    THiScoreList table;
    ASSERT_EQ(table.ReadHiScores(folder + HiScoreFileName), "") << "round " << round;
    std::vector<std::pair<int32_t, std::string>> saved;
    for (const auto& row : table) saved.emplace_back(row->Score, row->Name);
    ASSERT_EQ(saved, expected) << "round " << round;
  }
  InstallPlatform(nullptr);
}

}  // namespace
