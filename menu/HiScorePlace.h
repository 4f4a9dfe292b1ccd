// Where the high-score table is read from and saved to: the game's own folder, or the
// player's data folder when the table there may not be replaced.
#pragma once

#include <string>

struct THiScorePlace {
  // The file the table is saved to; empty when it cannot be kept anywhere (NoSaveReason).
  std::string Write;
  // The file the table is read from: Write, or, before a table was first saved in the
  // player's data folder, the table of the game's own folder.
  std::string Read;
  std::string NoSaveReason;
};

// The place of the table now. A table the player made read-only stays as it is: the
// table then lives in the player's data folder (said once on stderr).
THiScorePlace FindHiScorePlace();
// The name a table is saved under, beside the unreadable file at Path, when no copy of
// that file could be kept: it is never replaced without one.
std::string BesidePath(const std::string& path);
// True when something is at Path.
bool FileExists(const std::string& path);
