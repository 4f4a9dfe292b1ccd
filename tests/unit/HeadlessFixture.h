// A headless platform installed for the length of one test, with the program's message
// dialog; and the fixture of the tests that run on the simulated disk and on the real one.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

#include "menu/DialogForm.h"
#include "platform/Timer.h"
#include "platform/headless/HeadlessPlatform.h"
#include "platform/headless/SimulatedFileSystem.h"
#include "support/MessageDialog.h"
#include "support/Timing.h"

template <typename TBase>
class THeadlessTestOn : public TBase {
 protected:
  explicit THeadlessTestOn(int width = 320, int height = 240, uint32_t startTick = 1000,
                           THeadlessDisk disk = THeadlessDisk::Simulated)
      : Platform(std::make_unique<THeadlessPlatform>(width, height, startTick, disk)) {
    InstallPlatform(Platform.get());
    ResetClock();
    SetMessageDialogHook(ShowMessageForm);
  }
  ~THeadlessTestOn() override {
    SetMessageDialogHook(nullptr);
    InstallPlatform(nullptr);
  }

  // From now on, whenever a menu or dialog window shows, the player presses Key there.
  void AnswerWindowsWith(uint16_t key) {
    Answerer = std::make_unique<TTimer>(50, [this, key] {
      if (Platform->IsShown(TWindowKind::Menu)) Platform->ScheduleKey(Platform->TickCount(), key);
    });
  }

  // The program's folder, where the game keeps its files.
  std::string Folder() { return Platform->Files().ProgramFolder(); }
  // The whole file; empty when there is none.
  std::string ReadText(const std::string& path) { return Platform->Files().ReadFile(path, 1 << 24).Bytes; }
  bool Exists(const std::string& path) { return Platform->Files().ReadFile(path, 0).Outcome != TReadOutcome::Missing; }
  // A file as another program (or the player's editor) leaves it.
  void WriteText(const std::string& path, const std::string& text) {
    std::string error;
    ASSERT_TRUE(Platform->Files().SaveFile(path, text, error)) << error;
  }

  std::unique_ptr<THeadlessPlatform> Platform;
  std::unique_ptr<TTimer> Answerer;
};

using THeadlessTest = THeadlessTestOn<::testing::Test>;

// Runs once on the simulated disk, where every fault can be played, and once on the
// computer's own disk.
class TBothDisksTest : public THeadlessTestOn<::testing::TestWithParam<THeadlessDisk>> {
 protected:
  TBothDisksTest() : THeadlessTestOn(320, 240, 1000, GetParam()) {}

  // The program's folder can no longer be written.
  void MakeProgramFolderUnwritable() {
    if (TSimulatedFileSystem* simulated = Platform->SimulatedDisk()) {
      simulated->SetReadOnly(Folder());
      return;
    }
    // Even root cannot make a folder inside a file.
    const std::string blocker = Folder() + "not-a-folder";
    WriteText(blocker, "");
    Platform->SetProgramFolder(blocker + "/");
  }
};

inline void PrintTo(THeadlessDisk disk, std::ostream* out) {
  *out << (disk == THeadlessDisk::Simulated ? "the simulated disk" : "the real disk");
}

// The name of each disk, for the test names.
inline std::string DiskName(const ::testing::TestParamInfo<THeadlessDisk>& disk) {
  return disk.param == THeadlessDisk::Simulated ? "SimulatedDisk" : "RealDisk";
}

#define INSTANTIATE_ON_BOTH_DISKS(suite) \
  INSTANTIATE_TEST_SUITE_P(, suite, ::testing::Values(THeadlessDisk::Simulated, THeadlessDisk::Real), DiskName)
