// Levels: the announcement, the base bonus spawn, the bonus stage and the level catalogue.
#include "game/Level.h"

#include "GameFixture.h"
#include "game/Levels.h"

namespace {

class LevelTest : public TGameTest {};

TEST_F(LevelTest, NothingSpawnsDuringTheAnnouncementThenTheListFillsAtOnce) {
  World->NextLevel();
  EXPECT_EQ(Platform->EventsOf("sound"), std::vector<std::string>{"DONKEYKONGSTART"});
  Frames(100);  // 3 s
  EXPECT_TRUE(World->MonsterList->IsEmpty());
  EXPECT_EQ(World->Level->Remaining, 100);
  Frames(17);
  EXPECT_TRUE(World->Level->IsStarted());
  Frame();
  EXPECT_EQ(World->MonsterList->Count(), 10);
  EXPECT_EQ(World->Level->Remaining, 90);
}

TEST_F(LevelTest, TheBaseBonusSpawnNeedsKindsAndMayStartLeftOfThePlayfield) {
  TLevel& level = QuietLevel();
  for (int i = 0; i < 1000; ++i) level.SpawnBonus(*World);
  EXPECT_TRUE(World->BonusList->IsEmpty());
  level.BonusKinds.Add(std::make_unique<TBonusSprite>(TPictures{Block(4, 4)}, BonusPoints));
  for (int i = 0; i < 16000; ++i) level.SpawnBonus(*World);
  EXPECT_NEAR(World->BonusList->Count(), 200, 50);  // one in 80
  double leftmost = 0, rightmost = 0;
  for (int i = 0; i < World->BonusList->Count(); ++i) {
    leftmost = std::min(leftmost, World->BonusList->Items(i)->X);
    rightmost = std::max(rightmost, World->BonusList->Items(i)->X);
    EXPECT_EQ(World->BonusList->Items(i)->Y, 0);
  }
  EXPECT_LT(leftmost, 0);
  EXPECT_GE(leftmost, -16);
  EXPECT_LE(rightmost, 400 - 1 - 16);
}

TEST_F(LevelTest, TheBonusStageLaunchesTenFromEachEdgeAndEndsAtItsCount) {
  World->LevelNumber = 2;
  World->Level = std::make_unique<TLevel>();  // any finished level
  World->NextLevel();
  auto* stage = dynamic_cast<TLevel3*>(World->Level.get());
  ASSERT_NE(stage, nullptr);
  EXPECT_EQ(stage->BonusKinds.Count(), 19);
  EXPECT_TRUE(stage->AttackerKinds.IsEmpty());
  stage->StartTime = 0;
  stage->SpawnBonus(*World);
  ASSERT_EQ(World->BonusList->Count(), 10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(World->BonusList->Items(i)->DY, 12.0);  // all from the top
  World->BonusList->Clear();
  stage->SpawnBonus(*World);
  EXPECT_EQ(World->BonusList->Items(0)->DX, -12.0);  // then from the right
  // Every bonus that is collected or leaves counts; at 0 the stage is over.
  Frames(400);
  EXPECT_EQ(World->LevelNumber, 4);
}

TEST_F(LevelTest, TheCatalogueGivesEachLevelItsTitleCountsCuesAndScale) {
  struct TExpected {
    int Number;
    const char* Title;
    int32_t Remaining, MaxOnScreen, FireChance;
    const char* KillSound;
    const char* BonusSound;
    double Scale;
  };
  const TExpected table[] = {
      {1, "DONKEY KONG", 100, 10, 400, "killmonster", "donkeykongbonus", 1.0},
      {2, "PACMAN", 150, 20, 400, "PacManMonsterDead", "PacManBonus", 1.0},
      {3, "BONUS STAGE", 60, 10, 400, "killmonster", "donkeykongbonus", 1.0},
      {4, "1942", 150, 10, 180, "1942MonsterDead", "donkeykongbonus", 1.0},
      {5, "GALAXIAN", 150, 20, 200, "killmonster", "donkeykongbonus", 1.0},
      {6, "SCRAMBLE", 150, 30, 140, "ScrambleMonsterDead", "DigDugBonus", 1.0},
      {7, "DIG DUG", 150, 35, 400, "DigDugMonsterDead", "DigDugBonus", 1.0},
      {8, "GALAGA", 150, 50, 140, "GalagaMonsterDead", "GalagaBonus", 1.0},
      {9, "PHOENIX", 150, 30, 400, "PhoenixMonsterDead", "PhoenixBonus", 1.0},
      {10, "SPACE INVADERS", 150, 45, 140, "SpaceInvadersMonsterDead", "donkeykongbonus", 1.0},
      {11, "KONG", 70, 10, 140, "killmonster", "donkeykongbonus", 1.0},
      {12, "CHAOS", 150, 15, 400, "killmonster", "donkeykongbonus", 1.0},
      {13, "GIANT", 150, 15, 400, "killmonster", "donkeykongbonus", 2.0},
      {14, "TINY", 150, 15, 400, "killmonster", "donkeykongbonus", 0.6},
  };
  for (const TExpected& expected : table) {
    SCOPED_TRACE(expected.Title);
    const auto level = CreateLevel(expected.Number);
    EXPECT_EQ(level->Title, expected.Title);
    EXPECT_EQ(level->Remaining, expected.Remaining);
    EXPECT_EQ(level->MaxOnScreen, expected.MaxOnScreen);
    EXPECT_EQ(level->FireChance, expected.FireChance);
    EXPECT_EQ(level->KillSound, expected.KillSound);
    EXPECT_EQ(level->BonusSound, expected.BonusSound);
    EXPECT_EQ(level->ScaleX, expected.Scale);
    EXPECT_EQ(level->ScaleY, expected.Scale);
  }
  const auto kong = CreateLevel(11);
  ASSERT_EQ(kong->AttackerKinds.Count(), 1);
  EXPECT_EQ(kong->AttackerKinds.Items(0)->HitPoints, 2);
  EXPECT_EQ(kong->AttackerKinds.Items(0)->MoveInterval, 80);
  EXPECT_EQ(kong->BonusKinds.Count(), 5);
}

}  // namespace
