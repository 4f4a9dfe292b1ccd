// One copy of the game's saving, driven by the test that races two of them on one table:
//   blastover-save-race FOLDER NAME NUMBER
// For each byte read from stdin it loads the table in FOLDER, enters the next row of its
// own (NAME and the round, scored 10000 + 10 * round + NUMBER) and saves, then writes
// 'S' to stdout, or 'F' with the reason on stderr when the save failed.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "menu/HiScores.h"
#include "platform/headless/HeadlessPlatform.h"
#include "support/Xml.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: blastover-save-race FOLDER NAME NUMBER\n");
    return 2;
  }
  THeadlessPlatform platform(640, 480, 1000, THeadlessDisk::Real);
  platform.SetProgramFolder(std::string(argv[1]) + "/");
  InstallPlatform(&platform);
  SubFolder.clear();
  const int number = std::atoi(argv[3]);
  char go = 0;
  for (int round = 0; read(STDIN_FILENO, &go, 1) == 1; ++round) {
    THiScoreList table;
    table.LoadHiScores();
    table.AddScore(10000 + 10 * round + number, argv[2] + std::to_string(round));
    char result = 'S';
    try {
      table.SaveHiScores();
    } catch (const EXmlError& error) {
      std::fprintf(stderr, "%s\n", error.what());
      result = 'F';
    }
    if (write(STDOUT_FILENO, &result, 1) != 1) break;
  }
  InstallPlatform(nullptr);
  return 0;
}
