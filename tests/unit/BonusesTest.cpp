// Bonuses: the points ladder, the four actions, falling out of the playfield.
#include "game/Bonuses.h"

#include "GameFixture.h"
#include "sprites/Missiles.h"

namespace {

class BonusesTest : public TGameTest {};

TEST_F(BonusesTest, PointsClimbTheLadderWhileAPictureShowsAndStartAgainAfterAPause) {
  QuietLevel();
  std::vector<int32_t> gains;
  for (int i = 0; i < 7; ++i) {
    const int32_t before = World->Score;
    AddBonus(BonusPoints, 10 + 20 * i, 50)->Hit();
    gains.push_back(World->Score - before);
    Platform->AdvanceClock(200);
  }
  EXPECT_EQ(gains, (std::vector<int32_t>{100, 200, 300, 500, 800, 800, 800}));
  // Once every picture has gone, the ladder starts at 100 again.
  Platform->AdvanceClock(2000);
  World->BonusList->RemoveFinished();
  AddBonus(BonusPoints, 300, 50)->Hit();
  EXPECT_EQ(World->BonusList->PointsStep, 0);
}

TEST_F(BonusesTest, InTheBonusStageEveryPointsBonusIsWorth100AndCounts) {
  QuietLevel().BonusStage = true;
  const int32_t remaining = World->Level->Remaining;
  AddBonus(BonusPoints, 10, 50)->Hit();
  AddBonus(BonusPoints, 30, 50)->Hit();
  EXPECT_EQ(World->Score, 200);
  EXPECT_EQ(World->Level->Remaining, remaining - 2);
}

TEST_F(BonusesTest, BonusPointsWaitForTheNextKillThatScoresToBringALifeButTheHighScoreFollowsAtOnce) {
  QuietLevel();
  World->Score = 2950;
  AddBonus(BonusPoints, 10, 50)->Hit();
  EXPECT_EQ(World->Score, 3050);
  EXPECT_EQ(World->Lives, StartLives);
  EXPECT_EQ(World->HighScore, 3050);
  AddAttacker(AttackerKind(), 100, 100)->Hit();
  EXPECT_EQ(World->Lives, StartLives + 1);
  EXPECT_EQ(World->HighScore, 3060);
  // A game that ends before the next kill saves the score its last bonus made.
  AddBonus(BonusPoints, 30, 50)->Hit();
  World->Lives = 1;
  World->LoseLife({0, 0});
  ASSERT_TRUE(World->GameOver);
  EXPECT_EQ(World->HighScore, World->Score);
  EXPECT_NE(ReadText(Folder() + "SETTINGS.XML").find("<hiscore>" + std::to_string(World->Score) + "</hiscore>"),
            std::string::npos);
}

TEST_F(BonusesTest, EachActionDoesItsThingAndEveryBonusPlaysTheLevelsCue) {
  QuietLevel().BonusSound = "GalagaBonus";
  AimAt(200, 120);
  AddBonus(BonusBomb, 10, 10)->Hit();
  ASSERT_EQ(World->BombList->Count(), 1);
  EXPECT_EQ(World->BombList->Items(0)->X, 200);  // at the gun, not at the bonus
  AddBonus(BonusInvincible, 30, 10)->Hit();
  EXPECT_NE(World->InvincibleStamp, 0u);
  AddBonus(BonusKick, 50, 10)->Hit();
  EXPECT_NE(World->KickStamp, 0u);
  EXPECT_EQ(World->InvincibleStamp, 0u);
  EXPECT_EQ(World->Score, 0);
  EXPECT_EQ(Platform->EventsOf("sound"), std::vector<std::string>{"GalagaBonus"});
  World->BonusList->RemoveFinished();  // no death frames: gone at the next clean-up
  EXPECT_TRUE(World->BonusList->IsEmpty());
}

TEST_F(BonusesTest, ABonusFallsThreePixelsAStepAndIsGoneOnceOutside) {
  TLevel& level = QuietLevel();
  TBonus* falling = AddBonus(BonusPoints, 100, 292);
  TBonus* leftOfField = AddBonus(BonusPoints, -5, 0);
  EXPECT_EQ(falling->DY, 3.0);
  EXPECT_TRUE(leftOfField->IsGone());
  falling->Move();
  falling->Move();
  falling->Move();
  EXPECT_TRUE(falling->IsGone());
  level.BonusStage = true;
  World->BonusList->RemoveFinished();
  EXPECT_TRUE(World->BonusList->IsEmpty());
  EXPECT_EQ(level.Remaining, 998);  // in the bonus stage a lost bonus counts too
}

TEST_F(BonusesTest, InTheBonusStageABonusCollectedAtTheLeftOrBottomEdgeCountsOnceAndShowsItsPoints) {
  TLevel& level = QuietLevel();
  level.BonusStage = true;
  const int32_t remaining = level.Remaining;
  // The points picture is wider and lower than the bonus and centred on it: its corner
  // lies outside the playfield.
  AddBonus(BonusPoints, 2, 100)->Hit();
  AddBonus(BonusPoints, 200, World->Playfield().Height() - 1)->Hit();
  Frames(10);
  EXPECT_EQ(level.Remaining, remaining - 2);
  EXPECT_EQ(World->BonusList->Count(), 2);
}

}  // namespace
