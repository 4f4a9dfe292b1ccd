// Reading, writing and filling the high-score table.
#include "menu/HiScores.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "menu/HiScorePlace.h"
#include "platform/Platform.h"
#include "support/MessageDialog.h"
#include "support/TextRoutines.h"
#include "support/Xml.h"

namespace {

constexpr int32_t DefaultTopScore = 1000;
constexpr int32_t DefaultStep = 100;

int32_t ParseScore(const std::string& text, int row) {
  const std::string trimmed = Trim(text);
  int32_t value = 0;
  const auto [end, error] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value);
  if (trimmed.empty() || error != std::errc() || end != trimmed.data() + trimmed.size())
    throw EXmlError("the SCORE of row " + std::to_string(row) + " of " + std::string(HiScoreFileName) +
                    " is not a whole number: \"" + trimmed + "\"");
  return value;
}

// A name as the menu could have typed it: ASCII letters and digits, at most eight. An
// edited file may hold anything; what the font cannot show or the table cannot hold goes.
std::string CleanName(const std::string& name) {
  std::string clean;
  for (char c : name)
    if (clean.size() < NameLength && ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
      clean += c;
  return clean;
}

TFileSystem& Files() { return CurrentPlatform().Files(); }

// The rows of the file at Path that were read whole before whatever makes it unreadable
// (a file cut short while another program writes it, say): scores and names as the
// table holds them.
std::vector<THiScore> WholeRows(const std::string& path) {
  std::vector<THiScore> rows;
  const TFileContents file = Files().ReadFile(path, MaxXmlFileBytes);
  if (file.Outcome != TReadOutcome::Read) return rows;
  pugi::xml_document document;
  // The parser keeps what it read before a fault.
  const bool whole = static_cast<bool>(document.load_buffer(file.Bytes.data(), file.Bytes.size()));
  std::vector<pugi::xml_node> found;
  for (pugi::xml_node child : document.document_element().children())
    if (child.type() == pugi::node_element) found.push_back(child);
  // The last row before the fault may be cut short itself (a score of 15 for 1500).
  if (!whole && !found.empty()) found.pop_back();
  for (size_t i = 0; i < found.size() && rows.size() < HiScoreRows; ++i) {
    try {
      rows.emplace_back(ParseScore(found[i].child("SCORE").text().get(), static_cast<int>(i) + 1),
                        CleanName(found[i].child("NAME").text().get()));
    } catch (const EXmlError&) {
      break;
    }
  }
  return rows;
}

}  // namespace

void THiScoreList::LoadHiScores() {
  const THiScorePlace place = FindHiScorePlace();
  std::string failure = place.Read.empty() ? place.NoSaveReason : ReadHiScores(place.Read);
  Told.insert(failure);  // a save that finds the file as it was says nothing more
  const std::string beside = BesidePath(place.Read);
  if (!failure.empty() && !place.Read.empty() && FileExists(beside)) {
    // An earlier run could not copy the unreadable table aside, and saved next to it.
    Clear();
    const std::string besideFailure = ReadHiScores(beside);
    failure += std::string(1, '\0') + "The table saved in " + beside + " is shown instead." +
               (besideFailure.empty() ? "" : std::string(1, '\0') + besideFailure);
  }
  if (!failure.empty()) ShowMessageDialog(failure, MessageKindError);
}

std::string THiScoreList::ReadHiScores(const std::string& path) {
  std::string failure;
  try {
    auto document = OpenXML(path);
    int row = 0;
    // Rows are taken by position, whatever their elements are called.
    for (pugi::xml_node child : document->Root().children()) {
      if (child.type() != pugi::node_element) continue;
      ++row;
      if (Count() >= HiScoreRows) break;  // only an edited file has more, and the menu shows ten
      const std::string name = CleanName(child.child("NAME").text().get());
      Add(std::make_unique<THiScore>(ParseScore(child.child("SCORE").text().get(), row), name));
    }
  } catch (const EXmlError& error) {
    failure = error.what();
  }
  // Start-up reads the score of the first row: the table is never left empty.
  if (IsEmpty()) FillDefault();
  return failure;
}

void THiScoreList::FillDefault() {
  Clear();
  for (int i = 0; i < HiScoreRows; ++i) Add(std::make_unique<THiScore>(DefaultTopScore - DefaultStep * i, ""));
}

void THiScoreList::SaveHiScores() {
  const THiScorePlace place = FindHiScorePlace();
  Unsaved = true;
  if (place.Write.empty()) throw EXmlError(place.NoSaveReason);
  std::string error;
  // Held until the new file is in place: a copy of the game that saves at the same
  // moment reads the table only once this one's rows are in it.
  const std::unique_ptr<TFileLock> lock = Files().LockFile(place.Write, SaveLockTimeoutMs, error);
  if (!lock) throw EXmlError(error);
  std::string target = place.Write;
  const std::string failure = MergeWithFile(place.Read);
  // An unreadable table is replaced only once a copy of it is kept; one read from the
  // game's own folder while the table is saved elsewhere is left alone anyway.
  const bool replacesIt = !failure.empty() && place.Read == place.Write && FileExists(place.Write);
  const bool copied = replacesIt && Files().KeepBadCopy(place.Write);
  if (replacesIt && !copied) target = BesidePath(place.Write);
  WriteRows(target);
  Added.clear();
  Unsaved = false;
  static std::string toldBeside;
  if (target != place.Write) {
    if (std::exchange(toldBeside, target) != target)
      ShowMessageDialog(place.Write + " cannot be read, and no copy of it could be kept beside it, so it is left as "
                        "it is." + std::string(1, '\0') + "The high-score table is saved in " + target + ".",
                        MessageKindError);
  } else if (!failure.empty() && FirstTelling(failure)) {
    ShowMessageDialog(failure + std::string(1, '\0') + "The table is saved with the rows that could be read from it" +
                          (copied ? "; the file as it was is kept in " + place.Write + ".bad." : "."),
                      MessageKindError);
  }
}

void THiScoreList::SaveUnsavedRows() {
  if (!Unsaved) return;
  if (EditIndex != -1) {
    // The name being typed is not kept, as when the game ends during any entry.
    std::erase(Added, Items(EditIndex));
    Delete(EditIndex);
    EditIndex = -1;
  }
  SaveHiScores();
}

std::string THiScoreList::MergeWithFile(const std::string& path) {
  THiScoreList current;
  const std::string failure = current.ReadHiScores(path);
  if (!failure.empty()) {
    THiScoreList readable;
    for (const THiScore& row : WholeRows(path)) readable.Add(std::make_unique<THiScore>(row.Score, row.Name));
    TakeMissingRows(readable);
    return failure;
  }
  if (Added.empty()) return {};  // nothing new: the table is saved as it stands
  for (const THiScore* row : Added) current.AddScore(row->Score, row->Name);
  // The rows added stay marked as such until they are saved.
  Clear();
  Added.clear();
  for (const auto& row : current) {
    const THiScore* copy = Add(std::make_unique<THiScore>(row->Score, row->Name));
    if (std::find(current.Added.begin(), current.Added.end(), row.get()) != current.Added.end()) Added.push_back(copy);
  }
  return {};
}

void THiScoreList::TakeMissingRows(const THiScoreList& other) {
  const auto copies = [](const THiScoreList& table, const THiScore& row, int before) {
    int n = 0;
    for (int i = 0; i < before; ++i)
      if (table.Items(i)->Score == row.Score && table.Items(i)->Name == row.Name) ++n;
    return n;
  };
  for (int i = 0; i < other.Count(); ++i) {
    const THiScore& row = *other.Items(i);
    // A row the other table holds twice is missing here until this one holds it twice.
    if (copies(*this, row, Count()) <= copies(other, row, i)) AddScore(row.Score, row.Name);
  }
}

void THiScoreList::WriteRows(const std::string& path) const {
  auto document = OpenXML("");
  document->FileName = path;
  pugi::xml_node root = document->Root();
  for (int i = 0; i < Count(); ++i) {
    pugi::xml_node rank = root.append_child(("RANK" + std::to_string(i + 1)).c_str());
    pugi::xml_node name = rank.append_child("NAME");
    if (!Items(i)->Name.empty()) name.text().set(Items(i)->Name.c_str());
    rank.append_child("SCORE").text().set(std::to_string(Items(i)->Score).c_str());
  }
  document->Save();
}

int THiScoreList::AddScore(int32_t score, const std::string& name) {
  for (int p = 0; p < Count(); ++p) {
    if (Items(p)->Score >= score) continue;
    std::erase(Added, Items(Count() - 1));
    Delete(Count() - 1);
    Added.push_back(Insert(p, std::make_unique<THiScore>(score, name)));
    return p;
  }
  return -1;
}

void THiScoreList::Qualify(int32_t score) {
  EditIndex = -1;
  // A game left before its end has no score to enter.
  if (score < 0) return;
  EditIndex = AddScore(score, std::string(NameLength, NamePad));
}
