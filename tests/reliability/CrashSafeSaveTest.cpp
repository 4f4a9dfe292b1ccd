// Kills a program that saves the high-score table and the settings over and over, at
// random moments, and checks after every kill that each file holds the old or the new
// content whole, never a broken or empty one.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>

#include "menu/HiScores.h"
#include "platform/headless/HeadlessPlatform.h"
#include "support/Xml.h"

namespace {

int Kills() {
  const char* wanted = std::getenv("BLASTOVER_KILLS");
  return wanted != nullptr ? std::atoi(wanted) : 300;
}

pid_t StartSaveLoop(const std::string& folder) {
  const pid_t child = fork();
  if (child == 0) {
    execl(BLASTOVER_SAVE_LOOP, BLASTOVER_SAVE_LOOP, folder.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  return child;
}

TEST(CrashSafeSaveTest, AKillAtAnyMomentLeavesTheOldOrTheNewFileWhole) {
  THeadlessPlatform platform(640, 480, 1000, THeadlessDisk::Real);
  InstallPlatform(&platform);
  SubFolder.clear();
  const std::string folder = platform.Files().ProgramFolder();
  std::mt19937 random(12345);
  int checked = 0;
  for (int kill = 0; kill < Kills(); ++kill) {
    const pid_t child = StartSaveLoop(folder);
    ASSERT_GT(child, 0);
    // Long enough for the first saves, then anywhere in the middle of one.
    std::this_thread::sleep_for(std::chrono::microseconds(kill == 0 ? 200000 : 2000 + random() % 6000));
    ::kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the save loop ended by itself";

    THiScoreList table;
    ASSERT_EQ(table.ReadHiScores(folder + HiScoreFileName), "") << "after kill " << kill;
    ASSERT_EQ(table.Count(), HiScoreRows);
    const std::string name = table.Items(0)->Name;
    ASSERT_TRUE(name == "A" || name == "B");
    ASSERT_EQ(table.Items(0)->Score, name == "A" ? 1000 : 5000);
    const auto settings = OpenXML(folder + "SETTINGS.XML");
    const std::string hiscore = settings->Root().child("hiscore").text().get();
    ASSERT_TRUE(hiscore == "111" || hiscore == "222") << "after kill " << kill << ": '" << hiscore << "'";
    ++checked;
  }
  EXPECT_EQ(checked, Kills());
  InstallPlatform(nullptr);
}

}  // namespace
