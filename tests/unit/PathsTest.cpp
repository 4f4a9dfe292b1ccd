// Path routines and the program starter's fall-back to the desktop's default handler.
#include "support/Paths.h"

#include <cerrno>
#include <thread>

#include "HeadlessFixture.h"

namespace {

TEST(PathsTest, ChangeExtReplacesOnlyTheLastExtensionOfTheFileName) {
  EXPECT_EQ(ChangeExt("SETTINGS", ".XML"), "SETTINGS.XML");
  EXPECT_EQ(ChangeExt("SETTINGS", "XML"), "SETTINGS.XML");
  EXPECT_EQ(ChangeExt("HISCORE.XML", ""), "HISCORE");
  EXPECT_EQ(ChangeExt("a.tar.gz", ".bak"), "a.tar.bak");
  // A dot in a folder name is not an extension.
  EXPECT_EQ(ChangeExt("/opt/game.d/SETTINGS", ".XML"), "/opt/game.d/SETTINGS.XML");
  EXPECT_EQ(StripExt("/opt/game.d/SETTINGS.XML"), "/opt/game.d/SETTINGS");
  EXPECT_EQ(StripExt(""), "");
}

TEST(PathsTest, HasPathAndExtractFilePathSeeAnyFolderPart) {
  EXPECT_FALSE(HasPath("HISCORE.XML"));
  EXPECT_TRUE(HasPath("XML/HISCORE.XML"));
  EXPECT_TRUE(HasPath("/tmp/HISCORE.XML"));
  EXPECT_EQ(ExtractFilePath("HISCORE.XML"), "");
  EXPECT_EQ(ExtractFilePath("/opt/game.d/XML/HISCORE.XML"), "/opt/game.d/XML/");
  EXPECT_EQ(ExtractFilePath("C:\\Games\\HISCORE.XML"), "C:\\Games\\");
}

TEST(PathsTest, LastErrorTextIsEmptyWithoutAnError) {
  errno = 0;
  EXPECT_EQ(LastErrorText(), "");
  errno = ENOENT;
  EXPECT_NE(LastErrorText().find(" (Code 2)"), std::string::npos);
}

class RunProgramTest : public THeadlessTest {};

TEST_F(RunProgramTest, AnAddressThatIsNoProgramOpensWithTheDefaultHandler) {
  RunProgram("https://example.org/blastover", "", true, true);
  EXPECT_EQ(Platform->EventsOf("start"), std::vector<std::string>{"https://example.org/blastover"});
  EXPECT_EQ(Platform->EventsOf("open"), std::vector<std::string>{"https://example.org/blastover"});
  EXPECT_TRUE(Platform->EventsOf("message box").empty());
}

TEST_F(RunProgramTest, AFileWithABlankIsQuotedAndAFailureIsShown) {
  Platform->SetOpenAddressResult(false);
  Platform->ScheduleKey(Platform->TickCount(), VK_RETURN);  // the player closes the message
  RunProgram("my game", "-x", false, true);
  EXPECT_EQ(Platform->EventsOf("start"), std::vector<std::string>{"\"my game\" -x"});
  EXPECT_EQ(Platform->EventsOf("caption"), std::vector<std::string>{"Bericht"});
  errno = ENOENT;
  EXPECT_EQ(ProgramFailureText("my game"), "Kon programma my game niet uitvoeren. No such file or directory (Code 2)");
}

TEST_F(RunProgramTest, WithoutTheDesktopsOpenerTheMessageNamesTheOpenerNotTheFile) {
  Platform->SetMissingOpener("xdg-open");
  // Off the interface's thread a message goes to the platform's own box, which keeps its text.
  std::thread([] { RunProgram("file:///opt/blastover/homepage.html", "", true, true); }).join();
  const std::vector<std::string> texts = Platform->EventsOf("message box");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_NE(texts[0].find("Kon programma xdg-open niet uitvoeren."), std::string::npos) << texts[0];
  EXPECT_EQ(texts[0].find("homepage.html"), std::string::npos) << texts[0];
}

}  // namespace
