// Reading, writing and filling the high-score table.
#include "menu/HiScores.h"

#include <charconv>

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

}  // namespace

void THiScoreList::LoadHiScores() {
  const std::string failure = ReadHiScores(XmlFolder() + HiScoreFileName);
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
    Unreadable = true;
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
  auto document = OpenXML("");
  document->FileName = XmlFolder() + HiScoreFileName;
  if (Unreadable) {
    // The player's old table is not thrown away unseen: it stays beside the new one.
    CurrentPlatform().Files().KeepBadCopy(document->FileName);
  }
  pugi::xml_node root = document->Root();
  for (int i = 0; i < Count(); ++i) {
    pugi::xml_node rank = root.append_child(("RANK" + std::to_string(i + 1)).c_str());
    pugi::xml_node name = rank.append_child("NAME");
    if (!Items(i)->Name.empty()) name.text().set(Items(i)->Name.c_str());
    rank.append_child("SCORE").text().set(std::to_string(Items(i)->Score).c_str());
  }
  document->Save();
  Unreadable = false;
}

int THiScoreList::AddScore(int32_t score, const std::string& name) {
  for (int p = 0; p < Count(); ++p) {
    if (Items(p)->Score >= score) continue;
    Delete(Count() - 1);
    Insert(p, std::make_unique<THiScore>(score, name));
    return p;
  }
  return -1;
}

void THiScoreList::Qualify(int32_t score) {
  EditIndex = -1;
  EditIndex = AddScore(score, std::string(NameLength, NamePad));
}
