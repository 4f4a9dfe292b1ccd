// Finding the high-score table's file.
#include "menu/HiScorePlace.h"

#include <cstdio>
#include <set>

#include "menu/HiScores.h"
#include "platform/Platform.h"
#include "support/Paths.h"
#include "support/Xml.h"

namespace {

TFileSystem& Files() { return CurrentPlatform().Files(); }

void TellOnce(const std::string& text) {
  static std::set<std::string> told;
  if (told.insert(text).second) std::fprintf(stderr, "blastover: %s\n", text.c_str());
}

// The player's data folder's table, when the one at Own may not be replaced.
THiScorePlace BesideReadOnly(const std::string& own) {
  THiScorePlace place;
  const std::string folder = Files().DataFolder();
  if (folder.empty() || folder + HiScoreFileName == own || !Files().MakeFolder(folder)) {
    place.Read = own;
    place.NoSaveReason = own + " is read-only, and there is no other folder to keep the table in";
    return place;
  }
  place.Write = folder + HiScoreFileName;
  place.Read = FileExists(place.Write) ? place.Write : own;
  TellOnce(own + " is read-only: it is left as it is, and the table is kept in " + place.Write);
  return place;
}

}  // namespace

bool FileExists(const std::string& path) { return Files().ReadFile(path, 0).Outcome != TReadOutcome::Missing; }

std::string BesidePath(const std::string& path) { return ExtractFilePath(path) + "HISCORE-SAVED.XML"; }

THiScorePlace FindHiScorePlace() {
  const std::string ownFolder = OwnFilesFolder();
  const std::string own = ownFolder.empty() ? std::string() : ownFolder + HiScoreFileName;
  const std::string folder = XmlFolder();
  THiScorePlace place;
  if (folder.empty()) {
    place.Read = own;
    place.NoSaveReason = "the high-score table cannot be kept: " + NoFolderText();
    return place;
  }
  place.Write = folder + HiScoreFileName;
  if (place.Write == own && Files().IsReadOnly(own)) return BesideReadOnly(own);
  // Written elsewhere because the own folder cannot be: the own table is read until then.
  place.Read = place.Write != own && !own.empty() && !FileExists(place.Write) ? own : place.Write;
  return place;
}
