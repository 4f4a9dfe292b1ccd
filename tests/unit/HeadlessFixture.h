// A headless platform installed for the length of one test.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/Timer.h"
#include "platform/headless/HeadlessPlatform.h"

class THeadlessTest : public ::testing::Test {
 protected:
  explicit THeadlessTest(int width = 320, int height = 240, uint32_t startTick = 1000)
      : Platform(std::make_unique<THeadlessPlatform>(width, height, startTick)) {
    InstallPlatform(Platform.get());
  }
  ~THeadlessTest() override { InstallPlatform(nullptr); }

  // From now on, whenever a menu or dialog window shows, the player presses Key there.
  void AnswerWindowsWith(uint16_t key) {
    Answerer = std::make_unique<TTimer>(50, [this, key] {
      if (Platform->IsShown(TWindowKind::Menu)) Platform->ScheduleKey(Platform->TickCount(), key);
    });
  }

  std::unique_ptr<THeadlessPlatform> Platform;
  std::unique_ptr<TTimer> Answerer;
};
