// The high-score table: the default, insertion and ties, the file in both directions,
// and files that cannot be read, on the simulated disk and on the real one.
#include "menu/HiScores.h"

#include <filesystem>

#include "HeadlessFixture.h"
#include "support/Xml.h"

namespace {

class HiScoresTest : public TBothDisksTest {
 protected:
  HiScoresTest() { SubFolder.clear(); }
  std::string Path() { return Folder() + HiScoreFileName; }
  void WriteFile(const std::string& text) { WriteText(Path(), text); }
  std::string ReadFile() { return ReadText(Path()); }
  // The player closes the next message at once.
  void CloseNextMessage() { Platform->ScheduleKey(Platform->TickCount(), VK_RETURN); }
  static std::unique_ptr<THiScoreList> Loaded() {
    auto list = std::make_unique<THiScoreList>();
    list->LoadHiScores();
    return list;
  }
  static std::vector<int32_t> Scores(const THiScoreList& list) {
    std::vector<int32_t> scores;
    for (const auto& row : list) scores.push_back(row->Score);
    return scores;
  }
};

TEST_P(HiScoresTest, WithoutAFileTheTableIsTheDefaultAndScoresEnterBelowTheirEquals) {
  auto table = Loaded();
  EXPECT_EQ(Scores(*table), (std::vector<int32_t>{1000, 900, 800, 700, 600, 500, 400, 300, 200, 100}));
  table->Qualify(1001);
  EXPECT_EQ(table->EditIndex, 0);
  EXPECT_EQ(table->Items(0)->Name, "--------");
  EXPECT_EQ(table->Items(9)->Score, 200);
  const auto enters = [](int32_t score) {
    auto fresh = Loaded();
    fresh->Qualify(score);
    EXPECT_EQ(fresh->Count(), 10);
    return fresh->EditIndex;
  };
  EXPECT_EQ(enters(150), 9);
  EXPECT_EQ(enters(50), -1);
  EXPECT_EQ(enters(900), 2);   // below the equal row
  EXPECT_EQ(enters(100), -1);  // equal only to the last row: it does not enter
  EXPECT_EQ(enters(-1), -1);
}

TEST_P(HiScoresTest, TheFileKeepsItsOrderItsLengthAndItsNames) {
  WriteFile("<root><A><NAME>ZED</NAME><SCORE>50</SCORE></A><B><SCORE>700</SCORE></B>"
            "<C><NAME>MID</NAME><SCORE> 300 </SCORE></C></root>");
  auto table = Loaded();
  EXPECT_EQ(Scores(*table), (std::vector<int32_t>{50, 700, 300}));
  EXPECT_EQ(table->Items(1)->Name, "");  // a row without NAME
  table->Qualify(400);  // before the first lower row, which is the first
  EXPECT_EQ(table->EditIndex, 0);
  EXPECT_EQ(Scores(*table), (std::vector<int32_t>{400, 50, 700}));
  table->Items(0)->Name = "ACE";
  table->SaveHiScores();
  auto again = Loaded();
  EXPECT_EQ(Scores(*again), Scores(*table));
  EXPECT_EQ(again->Items(0)->Name, "ACE");
  EXPECT_EQ(again->Items(2)->Name, "");
}

TEST_P(HiScoresTest, TheFileHoldsTheRowsInOneLineOfRankElements) {
  auto table = Loaded();
  table->AddScore(1500, "ACE");
  table->SaveHiScores();
  const std::string text = ReadFile();
  EXPECT_EQ(text.rfind("<root><RANK1><NAME>ACE</NAME><SCORE>1500</SCORE></RANK1><RANK2><NAME/><SCORE>1000</SCORE></RANK2>", 0), 0u)
      << text;
  EXPECT_NE(text.find("<RANK10><NAME/><SCORE>200</SCORE></RANK10></root>"), std::string::npos) << text;
  EXPECT_EQ(text.find('\n'), std::string::npos);
}

TEST_P(HiScoresTest, AnEditedFileWithMoreThanTenRowsKeepsTheFirstTen) {
  std::string text = "<root>";
  for (int i = 0; i < 12; ++i) text += "<R><NAME>N" + std::to_string(i) + "</NAME><SCORE>" + std::to_string(1200 - i) + "</SCORE></R>";
  WriteFile(text + "</root>");
  const auto table = Loaded();
  EXPECT_EQ(table->Count(), 10);
  EXPECT_EQ(table->Items(9)->Name, "N9");
}

TEST_P(HiScoresTest, AnUnreadableFileIsReportedKeptAndCopiedAsideBeforeItIsReplaced) {
  WriteFile("<root><R><NAME>OK</NAME><SCORE>800</SCORE></R><R><NAME>BAD</NAME><SCORE>lots</SCORE></R>");
  Platform->ScheduleKey(Platform->TickCount(), VK_RETURN);  // the player closes the message
  auto table = Loaded();
  EXPECT_EQ(Platform->EventsOf("caption").size(), 1u);
  // The broken file is read as far as it goes (not even the first row survives a file
  // that is not XML at all, as here): never an empty table->
  EXPECT_EQ(Scores(*table), (std::vector<int32_t>{1000, 900, 800, 700, 600, 500, 400, 300, 200, 100}));
  const std::string broken = ReadFile();
  table->Qualify(950);
  EXPECT_EQ(ReadFile(), broken);  // untouched until a name is saved
  table->Items(table->EditIndex)->Name = "NEW";
  table->SaveHiScores();
  EXPECT_EQ(ReadText(Path() + ".bad"), broken);
  EXPECT_EQ(Loaded()->Items(1)->Name, "NEW");
}

TEST_P(HiScoresTest, ANonNumericScoreStopsReadingButKeepsTheRowsBeforeIt) {
  WriteFile("<root><R><NAME>OK</NAME><SCORE>800</SCORE></R><R><NAME>BAD</NAME><SCORE>lots</SCORE></R>"
            "<R><NAME>LATE</NAME><SCORE>100</SCORE></R></root>");
  Platform->ScheduleKey(Platform->TickCount(), VK_RETURN);
  const auto table = Loaded();
  EXPECT_EQ(Scores(*table), std::vector<int32_t>{800});
  EXPECT_EQ(Platform->EventsOf("caption").size(), 1u);
}

TEST_P(HiScoresTest, HostileRowsAreReadSafelyLongNamesCutAndHugeNumbersReported) {
  WriteFile("<root><R><NAME>ABCDEFGHIJKLMNOP</NAME><SCORE>-5</SCORE></R>"
            "<R><NAME>a&#x1;b\tc&lt;d&gt;&#xe9;</NAME><SCORE>7</SCORE></R>"
            "<R><NAME>BIG</NAME><SCORE>99999999999</SCORE></R></root>");
  auto table = std::make_unique<THiScoreList>();
  const std::string failure = table->ReadHiScores(Path());
  EXPECT_NE(failure.find("99999999999"), std::string::npos);
  EXPECT_EQ(Scores(*table), (std::vector<int32_t>{-5, 7}));
  EXPECT_EQ(table->Items(0)->Name, "ABCDEFGH");
  EXPECT_EQ(table->Items(1)->Name, "abcd");
}

TEST_P(HiScoresTest, ASaveKeepsTheRowsAnotherCopySavedSinceTheTableWasLoaded) {
  auto first = Loaded();
  auto second = Loaded();
  first->Qualify(3000);
  first->Items(first->EditIndex)->Name = "AAA";
  second->Qualify(2000);
  second->Items(second->EditIndex)->Name = "BBB";
  second->SaveHiScores();
  first->SaveHiScores();
  auto both = Loaded();
  EXPECT_EQ(Scores(*both), (std::vector<int32_t>{3000, 2000, 1000, 900, 800, 700, 600, 500, 400, 300}));
  EXPECT_EQ(both->Items(1)->Name, "BBB");
  // The copy that saved last shows the table as it is now, and a later entry of its own
  // is not saved twice.
  EXPECT_EQ(Scores(*first), Scores(*both));
  first->Qualify(950);
  first->SaveHiScores();
  EXPECT_EQ(Scores(*Loaded()), (std::vector<int32_t>{3000, 2000, 1000, 950, 900, 800, 700, 600, 500, 400}));
}

TEST_P(HiScoresTest, AnUnreadableTableThatCannotBeCopiedAsideIsLeftAndTheTableSavedBesideIt) {
  WriteFile("<root><R><NAME>OLD");
  Platform->Files().MakeFolder(Path() + ".bad/");  // where its copy would go
  CloseNextMessage();
  auto table = Loaded();
  table->Qualify(1500);
  table->Items(0)->Name = "NEW";
  CloseNextMessage();
  table->SaveHiScores();
  EXPECT_EQ(ReadFile(), "<root><R><NAME>OLD");
  const std::string beside = Folder() + "HISCORE-SAVED.XML";
  EXPECT_EQ(Platform->EventsOf("caption").size(), 2u);  // the reading's failure, then where the table went
  EXPECT_NE(ReadText(beside).find("<NAME>NEW</NAME><SCORE>1500</SCORE>"), std::string::npos);
  // The next start shows the table saved beside, and saves there again.
  CloseNextMessage();
  auto next = Loaded();
  EXPECT_EQ(next->Items(0)->Name, "NEW");
  next->Qualify(1200);
  next->Items(1)->Name = "TWO";
  next->SaveHiScores();
  CloseNextMessage();
  EXPECT_EQ(Scores(*Loaded()), (std::vector<int32_t>{1500, 1200, 1000, 900, 800, 700, 600, 500, 400, 300}));
  EXPECT_EQ(ReadFile(), "<root><R><NAME>OLD");
}

TEST_P(HiScoresTest, AReadOnlyTableIsLeftAsItIsAndTheNewOneKeptInTheDataFolder) {
  const std::string mine = "<root><R><NAME>MINE</NAME><SCORE>5000</SCORE></R><R><NAME>LOW</NAME><SCORE>10</SCORE></R></root>";
  WriteFile(mine);
  const std::string data = Platform->Files().DataFolder() + HiScoreFileName;
  if (TSimulatedFileSystem* disk = Platform->SimulatedDisk())
    disk->SetFileReadOnly(Path());
  else
    std::filesystem::permissions(Path(), std::filesystem::perms::owner_read);
  auto table = Loaded();
  table->Qualify(6000);
  table->Items(0)->Name = "NEW";
  table->SaveHiScores();
  EXPECT_EQ(ReadFile(), mine);
  EXPECT_NE(ReadText(data).find("<NAME>NEW</NAME><SCORE>6000</SCORE></RANK1><RANK2><NAME>MINE</NAME>"),
            std::string::npos)
      << ReadText(data);
  // Read from where it was written.
  EXPECT_EQ(Loaded()->Items(0)->Name, "NEW");
}

TEST_P(HiScoresTest, ATableThatLinksToItselfIsAMessageAndTheDefaultNeverAnEnd) {
#ifdef _WIN32
  GTEST_SKIP() << "a link to itself is a POSIX disk's";
#endif
  if (Platform->SimulatedDisk() != nullptr) GTEST_SKIP() << "links are the real disk's";
  std::filesystem::create_symlink(Path(), Path());
  CloseNextMessage();
  auto table = Loaded();
  EXPECT_EQ(table->Items(0)->Score, 1000);
  table->Qualify(1500);
  table->Items(0)->Name = "NEW";
  CloseNextMessage();  // where the table went instead
  EXPECT_NO_THROW(table->SaveHiScores());
  EXPECT_TRUE(std::filesystem::is_symlink(Path()));
  CloseNextMessage();
  EXPECT_EQ(Loaded()->Items(0)->Name, "NEW");
}

TEST_P(HiScoresTest, AGameLeftBeforeItsEndFindsNoPlaceEvenBelowNegativeRows) {
  WriteFile("<root><R><NAME>OK</NAME><SCORE>800</SCORE></R><R><NAME>NEG</NAME><SCORE>-5</SCORE></R></root>");
  auto table = std::make_unique<THiScoreList>();
  EXPECT_EQ(table->ReadHiScores(Path()), "");
  table->Qualify(-1);
  EXPECT_EQ(table->EditIndex, -1);
  EXPECT_EQ(Scores(*table), (std::vector<int32_t>{800, -5}));
}

INSTANTIATE_ON_BOTH_DISKS(HiScoresTest);

// The game's own folder cannot be written: the table is saved in the player's data folder.
class HiScoresFallbackTest : public THeadlessTest {};

TEST_F(HiScoresFallbackTest, AReadOnlyProgramFolderShowsItsTableUntilTheDataFoldersOwnIsSaved) {
  const std::string own = Platform->Files().ProgramFolder() + HiScoreFileName;
  const std::string data = Platform->Files().DataFolder() + HiScoreFileName;
  SubFolder.clear();
  const std::string old = "<root><R><NAME>OLD</NAME><SCORE>4000</SCORE></R><R><NAME>LOW</NAME><SCORE>10</SCORE></R></root>";
  Platform->SimulatedDisk()->PutFile(own, old);
  Platform->SimulatedDisk()->SetReadOnly(Platform->Files().ProgramFolder());
  THiScoreList table;
  table.LoadHiScores();
  EXPECT_EQ(table.Items(0)->Name, "OLD");
  table.Qualify(2000);
  table.Items(1)->Name = "NEW";
  table.SaveHiScores();
  THiScoreList again;
  again.LoadHiScores();
  EXPECT_EQ(again.Items(0)->Name, "OLD");
  EXPECT_EQ(again.Items(1)->Name, "NEW");
  EXPECT_EQ(*Platform->SimulatedDisk()->FileBytes(own), old);
  EXPECT_TRUE(Platform->SimulatedDisk()->FileBytes(data).has_value());
}

// Saving while other copies of the game save the same table, and tables torn by others.
class HiScoresSavingTest : public THeadlessTest {
 protected:
  HiScoresSavingTest() { SubFolder.clear(); }
  TSimulatedFileSystem& Disk() { return *Platform->SimulatedDisk(); }
  std::string Path() { return Folder() + HiScoreFileName; }
  // A table loaded from the disk, with Name's row of Score entered and its entry finished.
  std::unique_ptr<THiScoreList> Entered(int32_t score, const std::string& name) {
    auto table = std::make_unique<THiScoreList>();
    table->LoadHiScores();
    table->Qualify(score);
    table->Items(table->EditIndex)->Name = name;
    table->EditIndex = -1;
    return table;
  }
  // Name and score of every row of the file.
  std::vector<std::string> Saved() {
    THiScoreList table;
    EXPECT_EQ(table.ReadHiScores(Path()), "");
    std::vector<std::string> rows;
    for (const auto& row : table) rows.push_back(row->Name + " " + std::to_string(row->Score));
    return rows;
  }
};

TEST_F(HiScoresSavingTest, ASaveWaitsForAnotherCopysLockAndItsRowIsSavedOnceAsTheGameEnds) {
  auto table = Entered(5000, "ACE");
  Disk().HoldLockElsewhere(Path(), true);
  try {
    table->SaveHiScores();
    ADD_FAILURE() << "saved while another copy held the lock";
  } catch (const EXmlError& error) {
    EXPECT_EQ(std::string(error.what()), Path() + " is being saved by another program, which has held " + Path() +
                                             ".lock for more than 3000 ms");
  }
  EXPECT_EQ(Disk().LastLockTimeoutMs(), SaveLockTimeoutMs);
  EXPECT_FALSE(Disk().FileBytes(Path()).has_value());
  EXPECT_TRUE(table->HasUnsavedRows());
  // The other copy's save ends; then a new entry is under way as the game ends.
  Disk().PutFile(Path(), "<root><R><NAME>OTHER</NAME><SCORE>3000</SCORE></R><R><NAME>LOW</NAME><SCORE>10</SCORE></R></root>");
  Disk().HoldLockElsewhere(Path(), false);
  table->Qualify(4000);
  table->SaveUnsavedRows();
  EXPECT_EQ(Saved(), (std::vector<std::string>{"ACE 5000", "OTHER 3000"}));
  EXPECT_FALSE(table->HasUnsavedRows());
  EXPECT_EQ(table->EditIndex, -1);
  EXPECT_EQ(Disk().LocksHeld(), 0u);
  // Saved once: the next save does not add it again.
  table->Qualify(3500);
  table->SaveHiScores();
  EXPECT_EQ(Saved(), (std::vector<std::string>{"ACE 5000", " 3500"}));
}

TEST_F(HiScoresSavingTest, TheFileIsReadAgainOnlyOnceTheLockIsHeld) {
  auto table = Entered(5000, "ACE");
  // Another copy's save ends just as this one gets the lock.
  Disk().OnLockTaken([this](const std::string&) {
    EXPECT_EQ(Disk().LocksHeld(), 1u);
    Disk().PutFile(Path(), "<root><R><NAME>OTHER</NAME><SCORE>7000</SCORE></R><R><SCORE>1</SCORE></R></root>");
  });
  table->SaveHiScores();
  EXPECT_EQ(Saved(), (std::vector<std::string>{"OTHER 7000", "ACE 5000"}));
  EXPECT_EQ(Disk().LocksHeld(), 0u);
  // Each save writes a new file of its own, and none is left.
  for (const std::string& file : Disk().FilePaths()) EXPECT_EQ(file.find(".new"), std::string::npos) << file;
}

TEST_F(HiScoresSavingTest, ATableTornByAnotherProgramIsToldOnceAndItsWholeRowsAreKept) {
  auto table = Entered(1500, "NEW");
  const std::string torn = "<root><RANK1><NAME>ZED</NAME><SCORE>5000</SCORE></RANK1><RANK2><NAME>YOU</NAME>"
                           "<SCORE>4500</SCORE></RANK2><RANK3><NAME>CUT</NAME><SCORE>45";
  Disk().PutFile(Path(), torn);
  Platform->ScheduleKey(Platform->TickCount(), VK_RETURN);
  table->SaveHiScores();
  ASSERT_EQ(Platform->EventsOf("caption").size(), 1u);
  EXPECT_EQ(*Disk().FileBytes(Path() + ".bad"), torn);
  const std::vector<std::string> saved = Saved();
  ASSERT_EQ(saved.size(), 10u);
  EXPECT_EQ(std::vector<std::string>(saved.begin(), saved.begin() + 4),
            (std::vector<std::string>{"ZED 5000", "YOU 4500", "NEW 1500", " 1000"}));
  // Torn the same way again: saved again, without a second word.
  Disk().PutFile(Path(), torn);
  table->Qualify(1200);
  table->EditIndex = -1;
  table->SaveHiScores();
  EXPECT_EQ(Platform->EventsOf("caption").size(), 1u);
  EXPECT_EQ(Saved()[3], " 1200");
}

}  // namespace
