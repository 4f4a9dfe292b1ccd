// Where the game's files live: the player's data folder, the installed layout, the
// folder of the home page.
#pragma once

#include <string>

// $XDG_DATA_HOME/blastover/, or ~/.local/share/blastover/ when that is not set; empty
// when the user has no home.
std::string UserDataFolder();
// True when the program runs from an installed layout (PREFIX/bin/blastover): its folder
// belongs to the system, never to one player, even when it could be written.
bool RunsInstalled();
// The folder an installed game keeps its files in: the player's data folder. When the
// game first makes that folder, the files an older copy kept in PREFIX/blastover/ are
// copied into it (said once on stderr), so that a table left there is not lost. Empty
// when the user has no home.
std::string InstalledFilesFolder();
// The folder of the home page and the README: beside the program in a build folder,
// the documentation folder when installed.
std::string DocumentFolder();
