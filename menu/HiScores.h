// The high-score table and its file HISCORE.XML.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "support/ObjectLists.h"

constexpr const char* HiScoreFileName = "HISCORE.XML";
constexpr int HiScoreRows = 10;
// A name being typed: the typed characters, padded with this to NameLength.
constexpr char NamePad = '-';
constexpr int NameLength = 8;
// How long a save waits for another copy of the game to finish saving the same table.
constexpr int SaveLockTimeoutMs = 3000;

// One row: a score and the name of whoever made it (empty for a row never named).
class THiScore {
 public:
  THiScore(int32_t score, std::string name) : Score(score), Name(std::move(name)) {}
  void Set(int32_t score, std::string name) {
    Score = score;
    Name = std::move(name);
  }

  int32_t Score;
  std::string Name;
};

// The table, best first. The program never sorts it: every change keeps the order.
class THiScoreList : public TCustomObjectList<THiScore> {
 public:
  // Fills the empty table from the file, or with the default table 1000, 900, ... 100.
  // An unreadable file or score is reported, and what was read before it is kept; a
  // table saved beside an unreadable file is read instead of it.
  void LoadHiScores();
  // LoadHiScores without the report: the reason the file could not be read, or empty.
  std::string ReadHiScores(const std::string& path);
  // Saves the table, replacing the file atomically. The file is read again first: the
  // rows added since it was loaded (AddScore) go into the table as it is now, so that
  // rows another copy of the game saved meanwhile stay; a table without new rows is
  // saved as it stands. Reading, merging and replacing are one step under the file's
  // lock, which other copies wait for (SaveLockTimeoutMs at most). A file that cannot
  // be read is said so once, its rows read whole before the fault are kept in the
  // table, and it is replaced only once a copy of it is kept beside it (.bad);
  // otherwise the table is saved under a new name beside it, and the player is told
  // where. Throws EXmlError; the rows not saved stay marked as new, for the next save.
  void SaveHiScores();
  // Saves again the rows that a failed save left (as the program ends); a name still
  // being typed is not kept. Throws EXmlError.
  void SaveUnsavedRows();
  // A save failed, and its new rows are in no file yet.
  bool HasUnsavedRows() const { return Unsaved; }
  // Inserts (Score, Name) before the first row with a lower score and drops the last
  // row; nothing when no row is lower. The index of the new row, or -1.
  int AddScore(int32_t score, const std::string& name);
  // A finished game's score: when it enters, a row with the name placeholder and
  // EditIndex on it; otherwise EditIndex -1.
  void Qualify(int32_t score);

  // The row whose name is being typed, or -1.
  int EditIndex = -1;
  // The score of row 0 as loaded.
  int32_t TopScore = 0;

 private:
  void FillDefault();
  void WriteRows(const std::string& path) const;
  // The table as it is on disk now with the rows added since (when there are any). When
  // the file cannot be read, the rows read whole before the fault join the table as it
  // is, and the reason is returned.
  std::string MergeWithFile(const std::string& path);
  // Rows of another table that this one lacks join it at their places.
  void TakeMissingRows(const THiScoreList& other);

  // The rows added since the table was last loaded or saved.
  std::vector<const THiScore*> Added;
  bool Unsaved = false;
  // The faults the player was told of: each once.
  std::set<std::string> Told;
  bool FirstTelling(const std::string& text) { return Told.insert(text).second; }
};
