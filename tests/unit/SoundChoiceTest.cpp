// The sound choice from one start to the next: asked for on the command line, remembered
// in the real SETTINGS.XML beside the other settings, and what the platform then hears.
#include "app/SoundChoice.h"

#include <algorithm>
#include <sstream>

#include "HeadlessFixture.h"
#include "app/CommandLine.h"
#include "app/GameSession.h"

namespace {

// One start of the game: what it plays at, what it said on stderr, and the cues heard.
struct TStart {
  int Loudness = -1;
  std::string Said;
  std::vector<THeadlessEvent> Heard;
};

class SoundChoiceTest : public THeadlessTestOn<::testing::Test> {
 protected:
  SoundChoiceTest() : THeadlessTestOn(1000, 750, 1000, THeadlessDisk::Real) {}

  // Starts the game as the program does with these arguments, and plays a cue.
  TStart Start(std::vector<const char*> arguments) {
    const TProgramInfo info{"1", {}, Platform->Files().DataFolder(), {"data", true}};
    std::ostringstream out, err;
    TSoundWish wish;
    EXPECT_FALSE(HandleCommandLine(arguments, info, out, err, wish).has_value());
    TGameSession session(*Platform);
    TStart start;
    ::testing::internal::CaptureStderr();
    const TSoundChoice choice = ApplySoundChoice(wish);
    start.Said = err.str() + ::testing::internal::GetCapturedStderr();
    start.Loudness = Platform->SoundVolume();
    EXPECT_EQ(choice.Loudness(), start.Loudness);
    const size_t before = Platform->Events().size();
    CurrentPlatform().PlaySound("KillMonster");
    for (size_t i = before; i < Platform->Events().size(); ++i)
      if (Platform->Events()[i].What == "sound") start.Heard.push_back(Platform->Events()[i]);
    return start;
  }
  std::string Settings() { return ReadText(Folder() + "SETTINGS.XML"); }
};

TEST_F(SoundChoiceTest, AMutedStartStaysMutedUntilUnmutedAndTheOtherSettingsStay) {
  WriteText(Folder() + "SETTINGS.XML", "<root><hiscore>4200</hiscore></root>");
  const TStart muted = Start({"--mute"});
  EXPECT_EQ(muted.Loudness, 0);
  EXPECT_TRUE(muted.Heard.empty()) << "muted, nothing is heard";
  EXPECT_EQ(Settings(), "<root><hiscore>4200</hiscore><mute>1</mute></root>");

  const TStart next = Start({});
  EXPECT_EQ(next.Loudness, 0) << "a start without options keeps the player's choice";
  EXPECT_TRUE(next.Heard.empty());

  const TStart unmuted = Start({"--unmute"});
  EXPECT_EQ(unmuted.Loudness, 100);
  ASSERT_EQ(unmuted.Heard.size(), 1u);
  EXPECT_EQ(unmuted.Heard[0].Volume, 100);
  EXPECT_EQ(Settings(), "<root><hiscore>4200</hiscore><mute>0</mute></root>");
  EXPECT_EQ(muted.Said + next.Said + unmuted.Said, "");
}

TEST_F(SoundChoiceTest, AVolumeIsRememberedTurnsTheSoundOnAgainAndABadOneIsNotStored) {
  EXPECT_EQ(Start({"--volume", "50"}).Loudness, 50);
  const TStart again = Start({});
  ASSERT_EQ(again.Heard.size(), 1u);
  EXPECT_EQ(again.Heard[0].Volume, 50);
  EXPECT_EQ(Start({"--mute"}).Loudness, 0);
  EXPECT_EQ(Start({"--volume=30"}).Loudness, 30) << "a level asked for is heard";
  EXPECT_EQ(Start({}).Loudness, 30);

  const TStart bad = Start({"--volume", "150"});
  EXPECT_EQ(bad.Loudness, 30) << "a bad value leaves the remembered one";
  EXPECT_EQ(bad.Said, "blastover: '150' is not a volume (a whole number from 0 to 100); the volume stays as it was\n");
  EXPECT_EQ(Settings(), "<root><volume>30</volume><mute>0</mute></root>");
}

TEST_F(SoundChoiceTest, AStoredValueThatCannotBeUsedGivesTheDefaultAndIsSaidOnce) {
  for (const char* file : {"<root><volume>loud</volume><mute>yes</mute></root>",
                           "<root><volume>250</volume><hiscore>7</hiscore></root>", "<root><mute>2</mute></root>",
                           "<root><volume>"}) {
    WriteText(Folder() + "SETTINGS.XML", file);
    const TStart start = Start({});
    EXPECT_EQ(start.Loudness, 100) << file;
    EXPECT_EQ(start.Said.rfind("blastover: ", 0), 0u) << file;
    EXPECT_EQ(std::count(start.Said.begin(), start.Said.end(), '\n'), 1) << file << ": " << start.Said;
    EXPECT_EQ(Settings(), file) << "the file stays as the player left it";
  }
  // Replaced on the command line, a bad value is not worth a word, and the new one is kept.
  WriteText(Folder() + "SETTINGS.XML", "<root><volume>loud</volume></root>");
  const TStart replaced = Start({"--volume", "80"});
  EXPECT_EQ(replaced.Loudness, 80);
  EXPECT_EQ(replaced.Said, "");
  EXPECT_EQ(Settings(), "<root><volume>80</volume></root>");
}

}  // namespace
