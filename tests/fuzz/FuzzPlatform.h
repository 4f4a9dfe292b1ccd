// The headless platform the fuzz targets run on, with the game's files in its own folder.
#pragma once

#include <fstream>
#include <string>

#include "platform/headless/HeadlessPlatform.h"
#include "support/Xml.h"

inline THeadlessPlatform& FuzzPlatform() {
  static THeadlessPlatform platform(640, 480);
  static const bool installed = [] {
    InstallPlatform(&platform);
    SubFolder.clear();
    return true;
  }();
  (void)installed;
  return platform;
}

inline void WriteFuzzFile(const std::string& path, const uint8_t* data, size_t size) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// A message the code under test may show is closed at once, as a player would.
inline void AnswerAnyDialog(THeadlessPlatform& platform) { platform.ScheduleKey(platform.TickCount(), VK_RETURN); }
// Drops the answer when no dialog took it, so that answers do not pile up.
inline void ForgetUnusedAnswers(THeadlessPlatform& platform) { platform.ProcessMessages(); }
