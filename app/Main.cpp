// The entry point: answers the command line, opens the desktop, sets up the game window
// and runs games until the player quits.
#include <cstdio>
#include <exception>
#include <iostream>
#include <span>
#include <string>

#include "app/BuildInfo.h"
#include "app/CommandLine.h"
#include "app/GameSession.h"
#include "app/SoundChoice.h"
#include "platform/DesktopPlatform.h"
#include "support/GameFolders.h"

int main(int argc, char** argv) {
  // A helper of the platform's (started by a crash) is not a game.
  if (const std::optional<int> helperCode = RunPlatformHelper(argc, argv)) return *helperCode;
  // --help and --version need no display, so they are answered before one is opened.
  const TProgramInfo info{BuiltVersion(), BuiltInBackEnds(), UserDataFolder(), SystemDataFolderKind()};
  const char* const* first = argv + 1;
  const std::span<const char* const> arguments(first, static_cast<size_t>(argc > 0 ? argc - 1 : 0));
  if (!arguments.empty()) UseParentConsole();
  TSoundWish sound;
  if (const std::optional<int> exitCode = HandleCommandLine(arguments, info, std::cout, std::cerr, sound))
    return *exitCode;

  std::string error;
  std::unique_ptr<TPlatform> platform = CreateDesktopPlatform(error);
  if (!platform) {
    ReportStartFailure(error);
    return 1;
  }
  // One game per player and desktop: two would raise their windows over each other
  // without end and overwrite each other's high scores.
  if (std::string running; !platform->BecomeSoleGame(running)) {
    std::fprintf(stderr, "blastover: %s\n", running.c_str());
    return 0;
  }
  try {
    TGameSession session(*platform);
    // Once the session knows where the game's files are, and before anything sounds.
    ApplySoundChoice(sound);
    session.World().RunGame();
  } catch (const std::exception& failure) {
    // A damaged program file (a picture missing, say): say what is wrong and leave.
    ReportStartFailure(failure.what());
    return 1;
  }
  return 0;
}
