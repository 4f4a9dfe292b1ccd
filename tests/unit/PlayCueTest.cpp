// Sound cues: at most once per 200 ms window, whatever the letter case.
#include "GameFixture.h"

namespace {

class PlayCueTest : public TGameTest {
 protected:
  std::vector<std::string> Played() { return Platform->EventsOf("sound"); }
  void NextWindow() {
    Platform->AdvanceClock(WaveTimerIntervalMs);
    Platform->ProcessMessages();
  }
};

TEST_F(PlayCueTest, ACueRequestedTenTimesInOneWindowSoundsOnceAndOthersStillSound) {
  for (int i = 0; i < 10; ++i) World->PlayCue("killmonster");
  World->PlayCue("donkeykongbonus");
  EXPECT_EQ(Played(), (std::vector<std::string>{"killmonster", "donkeykongbonus"}));
  NextWindow();
  World->PlayCue("killmonster");
  EXPECT_EQ(Played().size(), 3u);
}

TEST_F(PlayCueTest, SpellingsThatDifferOnlyInCaseAreOneCue) {
  World->PlayCue("Galagabonus");
  World->PlayCue("GalagaBonus");
  EXPECT_EQ(Played(), std::vector<std::string>{"Galagabonus"});
}

}  // namespace
