// The XML wrapper: opening, the settings store, guarded reading and safe writing, on the
// simulated disk with its faults and on the real one.
#include "support/Xml.h"

#include <filesystem>

#include "HeadlessFixture.h"

namespace {

class XmlTest : public TBothDisksTest {
 protected:
  XmlTest() { SubFolder.clear(); }
};

// The faults of disks, played by the simulated one (the real disk has tests of its own).
class XmlFaultTest : public THeadlessTest {
 protected:
  XmlFaultTest() { SubFolder.clear(); }
  TSimulatedFileSystem& Disk() { return *Platform->SimulatedDisk(); }
  // What saving the setting failed with; empty when it was saved.
  static std::string SaveFailure(const std::string& key, int64_t value) {
    try {
      SetSetting(key, value);
    } catch (const EXmlError& error) {
      return error.what();
    }
    return {};
  }
};

TEST_P(XmlTest, ABareNameOpensInTheProgramsFolderAndAnEmptyNameHasARoot) {
  const auto missing = OpenXML("HISCORE.XML");
  EXPECT_EQ(missing->FileName, Folder() + "HISCORE.XML");
  EXPECT_FALSE(missing->Root());
  const auto unnamed = OpenXML("");
  EXPECT_EQ(std::string(unnamed->Root().name()), "root");
  EXPECT_TRUE(unnamed->FileName.empty());
  SubFolder = "XML/";
  EXPECT_EQ(OpenXML("A.XML")->FileName, Folder() + "XML/A.XML");
  EXPECT_TRUE(Platform->Files().FolderAcceptsWrites(Folder() + "XML/"));
}

TEST_P(XmlTest, ASettingIsReplacedInPlaceInLowerCaseAndOtherSettingsStay) {
  WriteText(Folder() + "SETTINGS.XML", "<root><volume>7</volume><hiscore>10</hiscore></root>");
  SetSetting("HISCORE", 1500);
  SetSetting("HISCORE", 1700);
  EXPECT_EQ(ReadText(Folder() + "SETTINGS.XML"), "<root><volume>7</volume><hiscore>1700</hiscore></root>");
  std::vector<std::string> files;
  if (TSimulatedFileSystem* disk = Platform->SimulatedDisk())
    files = disk->FilePaths();
  else
    for (const auto& entry : std::filesystem::directory_iterator(Folder())) files.push_back(entry.path().string());
  for (const std::string& file : files) EXPECT_EQ(file.find("SETTINGS.XML.new"), std::string::npos) << file;
  // Found by fuzzing: a key that an edited file holds twice ends up once, with the new value.
  WriteText(Folder() + "TWICE.XML", "<root><hiscore>1</hiscore><x/><hiscore>2</hiscore></root>");
  SetSetting("hiscore", 3, "TWICE");
  EXPECT_EQ(ReadText(Folder() + "TWICE.XML"), "<root><x/><hiscore>3</hiscore></root>");
  SetSetting("Name", "", "OTHER.TXT");
  EXPECT_EQ(ReadText(Folder() + "OTHER.XML"), "<root><name/></root>");
}

TEST_P(XmlTest, OversizedDeeplyNestedAndBrokenFilesAndFoldersAreRefusedWithTheirReason) {
  WriteText(Folder() + "BIG.XML", "<root>" + std::string(MaxXmlFileBytes, ' ') + "</root>");
  std::string deep;
  for (int i = 0; i < 100; ++i) deep += "<a>";
  for (int i = 0; i < 100; ++i) deep += "</a>";
  WriteText(Folder() + "DEEP.XML", deep);
  WriteText(Folder() + "BROKEN.XML", "<root><RANK1>");
  Platform->Files().MakeFolder(Folder() + "FOLDER.XML/");
  for (const char* name : {"BIG.XML", "DEEP.XML", "BROKEN.XML", "FOLDER.XML"}) {
    try {
      OpenXML(name);
      ADD_FAILURE() << name << " was read";
    } catch (const EXmlError& error) {
      EXPECT_NE(std::string(error.what()).find(name), std::string::npos) << error.what();
    }
  }
}

TEST_P(XmlTest, OnlyElementsCountTowardsTheNestingLimitNotCommentsCdataOrQuotedText) {
  const auto nested = [](int depth, const std::string& inside) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += "<a>";
    text += inside;
    for (int i = 0; i < depth; ++i) text += "</a>";
    return text;
  };
  // Close-tag look-alikes in CDATA, a comment and an attribute do not lower the count...
  std::string closers;
  for (int i = 0; i < 80; ++i) closers += "</a>";
  WriteText(Folder() + "HIDDEN.XML", "<root><![CDATA[" + closers + "]]><!--" + closers + "--><b c=\"" +
                                         closers.substr(0, 4) + "\"/>" + nested(100, "") + "</root>");
  EXPECT_THROW(OpenXML("HIDDEN.XML"), EXmlError);
  // An empty element counts as deep as one with content.
  WriteText(Folder() + "EMPTY.XML", nested(MaxXmlDepth, "<b/>"));
  EXPECT_THROW(OpenXML("EMPTY.XML"), EXmlError);
  WriteText(Folder() + "LIMIT.XML", nested(MaxXmlDepth - 1, "<b/>"));
  EXPECT_NO_THROW(OpenXML("LIMIT.XML"));
  // ...and opening-tag look-alikes in them do not raise it.
  std::string openers;
  for (int i = 0; i < 80; ++i) openers += "<a>";
  WriteText(Folder() + "VALID.XML", "<!DOCTYPE root [<!ENTITY e \"<a>\">]><root><!--" + openers + "--><![CDATA[" +
                                        openers + "]]><?pi " + openers + "?><b c='>'/>" + nested(60, "x") + "</root>");
  EXPECT_EQ(OpenXML("VALID.XML")->Root().child("b").attribute("c").value(), std::string(">"));
}

TEST_P(XmlTest, TheNestingLimitCountsTheElementsTheParserReadsWhateverTheEncodingOrDocumentType) {
  const auto nested = [](int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += "<a>";
    for (int i = 0; i < depth; ++i) text += "</a>";
    return text;
  };
  const auto utf16 = [](const std::string& text) {
    std::string wide = "\xFF\xFE";
    for (const char c : text) wide += std::string{c, '\0'};
    return wide;
  };
  // The parser ends a document type at its first '>' outside a declaration, brackets or not,
  // and skips comments in it: what follows is elements.
  WriteText(Folder() + "BRACKET.XML", "<!DOCTYPE a [>" + nested(100));
  WriteText(Folder() + "QUOTE.XML", "<!DOCTYPE a <!-- \" --> >" + nested(100));
  WriteText(Folder() + "WIDE.XML", utf16(nested(100)));
  // Close to the size limit: far deeper than a stack of calls would take.
  WriteText(Folder() + "HUGE.XML", nested(static_cast<int>(MaxXmlFileBytes / 8)));
  for (const char* name : {"BRACKET.XML", "QUOTE.XML", "WIDE.XML", "HUGE.XML"}) {
    try {
      OpenXML(name);
      ADD_FAILURE() << name << " was read";
    } catch (const EXmlError& error) {
      EXPECT_NE(std::string(error.what()).find("nested deeper"), std::string::npos) << error.what();
    }
  }
  // A file of UTF-16 is as deep as its elements, and the parser reads up to a NUL.
  WriteText(Folder() + "SHALLOW.XML", utf16("<root>" + nested(40) + "</root>"));
  EXPECT_EQ(std::string(OpenXML("SHALLOW.XML")->Root().name()), "root");
  WriteText(Folder() + "ZERO.XML", std::string("<root/>\0", 8) + nested(100));
  EXPECT_EQ(std::string(OpenXML("ZERO.XML")->Root().name()), "root");
}

TEST_P(XmlTest, AFolderThatCannotBeWrittenGivesWayToTheUsersDataFolder) {
  MakeProgramFolderUnwritable();
  SetSetting("hiscore", 42);
  EXPECT_EQ(ReadText(Platform->Files().DataFolder() + "SETTINGS.XML"), "<root><hiscore>42</hiscore></root>");
}

TEST_P(XmlTest, WithoutAnyFolderToKeepThemFilesAreRefusedWithTheReasonNotPutInTheCurrentFolder) {
  MakeProgramFolderUnwritable();
  Platform->SetDataFolder("");
  try {
    SetSetting("hiscore", 42);
    ADD_FAILURE() << "saved without a folder";
  } catch (const EXmlError& error) {
    EXPECT_NE(std::string(error.what()).find("no home folder is known"), std::string::npos) << error.what();
  }
  EXPECT_FALSE(Exists("SETTINGS.XML"));
}

INSTANTIATE_ON_BOTH_DISKS(XmlTest);

TEST_F(XmlFaultTest, AFullDiskWhileSavingKeepsTheOldFileAndSaysWhy) {
  const std::string path = Folder() + "SETTINGS.XML";
  WriteText(path, "<root><hiscore>1</hiscore></root>");
  Disk().SetFreeSpace(8);
  const std::string failure = SaveFailure("hiscore", 2);
  EXPECT_NE(failure.find("cannot write " + path), std::string::npos) << failure;
  EXPECT_EQ(ReadText(path), "<root><hiscore>1</hiscore></root>");
  for (const std::string& file : Disk().FilePaths()) EXPECT_EQ(file.rfind(path + ".new", 0), std::string::npos) << file;
  Disk().SetFreeSpace(1000);
  EXPECT_EQ(SaveFailure("hiscore", 2), "");
}

TEST_F(XmlFaultTest, ACrashBeforeTheNewFileTakesItsPlaceLeavesTheOldOneAndTheNextSaveGoesOn) {
  const std::string path = Folder() + "SETTINGS.XML";
  WriteText(path, "<root><hiscore>1</hiscore></root>");
  Disk().CrashBeforeNextReplace();
  EXPECT_THROW(SetSetting("hiscore", 2), ESimulatedCrash);
  // Started again: the old file is read, and the half-done save is no obstacle.
  EXPECT_STREQ(OpenXML(path)->Root().child("hiscore").text().get(), "1");
  const auto leftOvers = [&] {
    int found = 0;
    for (const std::string& file : Disk().FilePaths()) found += file.rfind(path + ".new-", 0) == 0 ? 1 : 0;
    return found;
  };
  EXPECT_EQ(leftOvers(), 1);
  SetSetting("hiscore", 3);
  EXPECT_EQ(ReadText(path), "<root><hiscore>3</hiscore></root>");
  EXPECT_EQ(leftOvers(), 0);
}

TEST_F(XmlFaultTest, AFileThatCannotBeReadIsReportedAsSuchNotTakenAsMissing) {
  const std::string path = Folder() + "SETTINGS.XML";
  WriteText(path, "<root><volume>7</volume></root>");
  Disk().SetUnreadable(path);
  const std::string failure = SaveFailure("hiscore", 5);
  EXPECT_EQ(failure, "cannot read " + path + ": Permission denied");
  // The settings it holds are not overwritten by a file with only the new one.
  EXPECT_EQ(Disk().FileBytes(path), "<root><volume>7</volume></root>");
}

}  // namespace
