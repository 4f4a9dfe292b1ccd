// Sound cues: at most once per window, whatever the letter case.
#include "sound/CueGuard.h"

#include "HeadlessFixture.h"

namespace {

class CueGuardTest : public THeadlessTest {
 protected:
  std::vector<std::string> Played() { return Platform->EventsOf("sound"); }
  TCueGuard Cues;
};

TEST_F(CueGuardTest, ACueRequestedTenTimesInOneWindowSoundsOnceAndOthersStillSound) {
  for (int i = 0; i < 10; ++i) Cues.Play("killmonster");
  Cues.Play("donkeykongbonus");
  EXPECT_EQ(Played(), (std::vector<std::string>{"killmonster", "donkeykongbonus"}));
  Cues.NewWindow();
  Cues.Play("killmonster");
  EXPECT_EQ(Played().size(), 3u);
}

TEST_F(CueGuardTest, SpellingsThatDifferOnlyInCaseAreOneCue) {
  Cues.Play("Galagabonus");
  Cues.Play("GalagaBonus");
  EXPECT_EQ(Played(), std::vector<std::string>{"Galagabonus"});
}

}  // namespace
