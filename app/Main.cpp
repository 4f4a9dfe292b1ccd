// The entry point: opens the desktop, sets up the game window and runs games until the player quits.
#include <cstdio>
#include <exception>
#include <string>

#include "app/WorldForm.h"
#include "platform/DesktopPlatform.h"

int main() {
  std::string error;
  std::unique_ptr<TPlatform> platform = CreateDesktopPlatform(error);
  if (!platform) {
    std::fprintf(stderr, "blastover: %s\n", error.c_str());
    return 1;
  }
  InstallPlatform(platform.get());
  int exitCode = 0;
  try {
    TWorldForm world;
    WorldForm = &world;
    world.InitWorld();
    world.RunGame();
  } catch (const std::exception& failure) {
    // A damaged program file (a picture missing, say): say what is wrong and leave.
    std::fprintf(stderr, "blastover: %s\n", failure.what());
    exitCode = 1;
  }
  WorldForm = nullptr;
  InstallPlatform(nullptr);
  return exitCode;
}
