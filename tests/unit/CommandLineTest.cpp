// The command line: what --help and --version say, and what becomes of other arguments.
#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

const TBackEndInfo Screen{"Screen", "pictures", {{"SCREEN_SLOW=1", "draw slowly"}}};
const TBackEndInfo Speaker{"Speaker", "sound", {{"SPEAKER=NAME", "the speaker to use"}}};
const TProgramInfo Info{"4.5.6", {&Screen, &Speaker}, "/home/player/.local/share/blastover/",
                        {"$XDG_DATA_HOME/blastover", true}};

struct TAnswer {
  std::optional<int> ExitCode;
  std::string Out;
  std::string Err;
};

TAnswer AnswerTo(std::vector<const char*> arguments, const TProgramInfo& info = Info) {
  std::ostringstream out, err;
  TAnswer answer;
  answer.ExitCode = HandleCommandLine(arguments, info, out, err);
  answer.Out = out.str();
  answer.Err = err.str();
  return answer;
}

TEST(CommandLineTest, NoArgumentStartsTheGame) {
  const TAnswer answer = AnswerTo({});
  EXPECT_FALSE(answer.ExitCode.has_value());
  EXPECT_EQ(answer.Out + answer.Err, "");
}

TEST(CommandLineTest, HelpNamesTheFilesFolderAndEveryBackEndsSwitches) {
  for (const char* option : {"--help", "-h"}) {
    const TAnswer answer = AnswerTo({option});
    EXPECT_EQ(answer.ExitCode, 0);
    EXPECT_EQ(answer.Err, "");
    EXPECT_EQ(answer.Out.rfind("Usage: blastover", 0), 0u);
    EXPECT_NE(answer.Out.find("HISCORE.XML"), std::string::npos);
    EXPECT_NE(answer.Out.find("/home/player/.local/share/blastover ("), std::string::npos);
    EXPECT_NE(answer.Out.find("SCREEN_SLOW=1\n      Screen: draw slowly\n"), std::string::npos);
    EXPECT_NE(answer.Out.find("SPEAKER=NAME\n      Speaker: the speaker to use\n"), std::string::npos);
  }
}

TEST(CommandLineTest, HelpOnASystemWithoutInstalledGamesTellsTheFilesAreBesideTheProgram) {
  const TProgramInfo unpacked{"4.5.6", {&Screen}, "C:\\Users\\Player\\AppData\\Local\\Blastover\\",
                              {"%LOCALAPPDATA%\\Blastover", false}};
  const TAnswer answer = AnswerTo({"--help"}, unpacked);
  EXPECT_NE(answer.Out.find("The game keeps them beside the\n  program, or where its folder cannot be written, in "
                            "C:\\Users\\Player\\AppData\\Local\\Blastover (%LOCALAPPDATA%\\Blastover).\n"),
            std::string::npos)
      << answer.Out;
  EXPECT_EQ(answer.Out.find("XDG_DATA_HOME"), std::string::npos);
  EXPECT_EQ(answer.Out.find("installed"), std::string::npos);
}

TEST(CommandLineTest, VersionListsTheBackEndsInTheBuildsOrder) {
  const TAnswer answer = AnswerTo({"--version"});
  EXPECT_EQ(answer.ExitCode, 0);
  EXPECT_EQ(answer.Out, "Blastover 4.5.6\nBack ends:\n  Screen: pictures\n  Speaker: sound\n");
  // Asked for both, the help answers.
  EXPECT_EQ(AnswerTo({"-V", "--help"}).Out.rfind("Usage:", 0), 0u);
}

TEST(CommandLineTest, AnyOtherArgumentIsNamedInOneLineWithExitCodeTwo) {
  const TAnswer unknown = AnswerTo({"--help", "--fullscreen"});
  EXPECT_EQ(unknown.ExitCode, 2);
  EXPECT_EQ(unknown.Out, "");
  EXPECT_EQ(unknown.Err, "blastover: unknown option '--fullscreen' (try 'blastover --help')\n");
  EXPECT_EQ(AnswerTo({"scores.xml"}).Err, "blastover: unexpected argument 'scores.xml' (try 'blastover --help')\n");
  EXPECT_EQ(AnswerTo({"-"}).ExitCode, 2);
}

TEST(CommandLineTest, AnAnswerThatCannotBeWrittenIsAFailure) {
  std::ostringstream out, err;
  out.setstate(std::ios::badbit);
  const char* version[] = {"--version"};
  EXPECT_EQ(HandleCommandLine(version, Info, out, err), 1);
  EXPECT_EQ(err.str(), "blastover: cannot write the version\n");
}

}  // namespace
