// Saves two different high-score tables and settings in turn, for ever, into the folder
// it is given: the program the kill test stops at random moments.
#include <cstdio>
#include <string>

#include "menu/HiScores.h"
#include "platform/headless/HeadlessPlatform.h"
#include "support/Xml.h"

namespace {

// Table A is the default table named "A"; table B has other scores, named "B".
void Fill(THiScoreList& table, bool a) {
  table.Clear();
  for (int i = 0; i < HiScoreRows; ++i) table.Add(std::make_unique<THiScore>((a ? 1000 : 5000) - 100 * i, a ? "A" : "B"));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: blastover-save-loop FOLDER\n");
    return 2;
  }
  THeadlessPlatform platform(640, 480, 1000, THeadlessDisk::Real);
  platform.SetProgramFolder(std::string(argv[1]) + "/");
  InstallPlatform(&platform);
  SubFolder.clear();
  THiScoreList table;
  for (unsigned i = 0;; ++i) {
    Fill(table, i % 2 == 0);
    table.SaveHiScores();
    SetSetting("HISCORE", i % 2 == 0 ? 111 : 222);
  }
}
