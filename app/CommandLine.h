// The command line: --help and --version, answered before any display is opened, and
// the sound the player asks for.
#pragma once

#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "app/SoundChoice.h"
#include "platform/BackEndInfo.h"
#include "platform/FileSystem.h"

// What the program knows of itself to answer --help and --version.
struct TProgramInfo {
  std::string Version;
  // The back ends compiled in, in the order the build lists them.
  std::vector<const TBackEndInfo*> BackEnds;
  // The player's own folder for the game's files on this system, and how it is named.
  std::string DataFolder;
  TDataFolderKind DataFolderKind;
};

// Reads the arguments that follow the program's name. Nothing when the game should start,
// with Sound what --volume, --mute and --unmute asked for (a value that is missing or
// not from 0 to 100 asks nothing, and the first is named in one line on Err); otherwise
// the exit code, after --help or --version printed to Out (0) or an unknown argument
// was named in one line on Err (2). A failure to write the answer gives 1.
std::optional<int> HandleCommandLine(std::span<const char* const> arguments, const TProgramInfo& info,
                                     std::ostream& out, std::ostream& err, TSoundWish& sound);
