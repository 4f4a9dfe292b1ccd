// The command line: what --help and --version say, the sound asked for, and what becomes
// of other arguments.
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
  TSoundWish Sound;
};

TAnswer AnswerTo(std::vector<const char*> arguments, const TProgramInfo& info = Info) {
  std::ostringstream out, err;
  TAnswer answer;
  answer.ExitCode = HandleCommandLine(arguments, info, out, err, answer.Sound);
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
    for (const char* sound : {"\n  --volume N ", "\n  --mute ", "\n  --unmute "})
      EXPECT_NE(answer.Out.find(sound), std::string::npos) << sound;
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

TEST(CommandLineTest, TheSoundOptionsAskForAVolumeAndMuteInTheOrderGiven) {
  const TAnswer fifty = AnswerTo({"--volume", "50"});
  EXPECT_FALSE(fifty.ExitCode.has_value());
  EXPECT_EQ(fifty.Out + fifty.Err, "");
  EXPECT_EQ(fifty.Sound.Volume, 50);
  EXPECT_EQ(fifty.Sound.Muted, false) << "a level asked for is a level to be heard";
  const TAnswer zero = AnswerTo({"--volume=0"});
  EXPECT_EQ(zero.Sound.Volume, 0);
  EXPECT_FALSE(zero.Sound.Muted.has_value()) << "volume 0 is silent by itself and leaves the mute as it was";
  EXPECT_EQ(AnswerTo({"--volume=100", "--mute"}).Sound.Muted, true);
  EXPECT_EQ(AnswerTo({"--mute", "--volume", "7"}).Sound.Muted, false);
  EXPECT_EQ(AnswerTo({"--mute", "--unmute"}).Sound.Muted, false);
  const TAnswer none = AnswerTo({});
  EXPECT_FALSE(none.Sound.Volume.has_value() || none.Sound.Muted.has_value());
}

TEST(CommandLineTest, AMissingOrBadVolumeAsksNothingAndIsSaidOnceWhenTheGameStarts) {
  const std::string stays = " (a whole number from 0 to 100); the volume stays as it was\n";
  for (const auto& [arguments, said] : std::vector<std::pair<std::vector<const char*>, std::string>>{
           {{"--volume"}, "--volume needs a value"},
           {{"--volume", "--mute"}, "--volume needs a value"},
           {{"--volume", "abc"}, "'abc' is not a volume"},
           {{"--volume", "150"}, "'150' is not a volume"},
           {{"--volume", "-5"}, "'-5' is not a volume"},
           {{"--volume=", "--volume", "101"}, "'' is not a volume"},
           {{"--volume=5%"}, "'5%' is not a volume"},
       }) {
    const TAnswer answer = AnswerTo(arguments);
    EXPECT_FALSE(answer.ExitCode.has_value()) << said;
    EXPECT_EQ(answer.Err, "blastover: " + said + stays);
    EXPECT_FALSE(answer.Sound.Volume.has_value()) << said;
  }
  EXPECT_EQ(AnswerTo({"--volume", "--mute"}).Sound.Muted, true) << "the option after a missing value still counts";
  // Asked for help, the player gets it without a word about the volume.
  const TAnswer help = AnswerTo({"--volume", "x", "--help"});
  EXPECT_EQ(help.ExitCode, 0);
  EXPECT_EQ(help.Err, "");
  EXPECT_EQ(AnswerTo({"--volume", "50", "--loud"}).ExitCode, 2);
}

TEST(CommandLineTest, AnAnswerThatCannotBeWrittenIsAFailure) {
  std::ostringstream out, err;
  out.setstate(std::ios::badbit);
  const char* version[] = {"--version"};
  TSoundWish sound;
  EXPECT_EQ(HandleCommandLine(version, Info, out, err, sound), 1);
  EXPECT_EQ(err.str(), "blastover: cannot write the version\n");
}

}  // namespace
