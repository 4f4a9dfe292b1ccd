// A headless platform installed for the length of one test.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/headless/HeadlessPlatform.h"

class THeadlessTest : public ::testing::Test {
 protected:
  explicit THeadlessTest(int width = 320, int height = 240, uint32_t startTick = 1000)
      : Platform(std::make_unique<THeadlessPlatform>(width, height, startTick)) {
    InstallPlatform(Platform.get());
  }
  ~THeadlessTest() override { InstallPlatform(nullptr); }

  std::unique_ptr<THeadlessPlatform> Platform;
};
