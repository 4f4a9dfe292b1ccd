// The headless platform the fuzz targets run on, with the game's files on its simulated disk.
#pragma once

#include <string>

#include "platform/headless/HeadlessPlatform.h"
#include "platform/headless/SimulatedFileSystem.h"
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
  FuzzPlatform().SimulatedDisk()->PutFile(path, std::string(reinterpret_cast<const char*>(data), size));
}

// A message the code under test may show is closed at once, as a player would.
inline void AnswerAnyDialog(THeadlessPlatform& platform) { platform.ScheduleKey(platform.TickCount(), VK_RETURN); }
// Drops the answer when no dialog took it, so that answers do not pile up.
inline void ForgetUnusedAnswers(THeadlessPlatform& platform) { platform.ProcessMessages(); }
