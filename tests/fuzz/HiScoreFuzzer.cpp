// Fuzzes reading HISCORE.XML: whatever the file holds, it is read without a fault into a
// table that is never empty, has at most ten rows and only clean names, and a table read
// whole saves and reads back the same.
#include <cstdlib>

#include "FuzzPlatform.h"
#include "menu/HiScores.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool CleanName(const std::string& name) {
  if (name.size() > NameLength) return false;
  for (char c : name)
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  THeadlessPlatform& platform = FuzzPlatform();
  const std::string path = XmlFolder() + HiScoreFileName;
  WriteFuzzFile(path, data, size);

  THiScoreList table;
  const std::string failure = table.ReadHiScores(path);
  Check(table.Count() >= 1 && table.Count() <= HiScoreRows);
  for (const auto& row : table) Check(CleanName(row->Name));
  if (!failure.empty()) return 0;

  table.SaveHiScores();
  THiScoreList again;
  Check(again.ReadHiScores(path).empty());
  Check(again.Count() == table.Count());
  for (int i = 0; i < table.Count(); ++i) {
    Check(again.Items(i)->Score == table.Items(i)->Score);
    Check(again.Items(i)->Name == table.Items(i)->Name);
  }
  (void)platform;
  return 0;
}
