// Levels: the announcement, the base bonus spawn, the bonus stage, the drawing scale and the catalogue.
#include "game/Level.h"

#include <set>

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

TEST_F(LevelTest, TheBonusStageLaunchesTenFromEachEdgeInTurnThenFromAnyAndEndsAtItsCount) {
  World->LevelNumber = 2;
  World->Level = std::make_unique<TLevel>();  // any finished level
  World->NextLevel();
  auto* stage = dynamic_cast<TLevel3*>(World->Level.get());
  ASSERT_NE(stage, nullptr);
  EXPECT_EQ(stage->BonusKinds.Count(), 19);
  EXPECT_TRUE(stage->AttackerKinds.IsEmpty());
  stage->StartTime = 0;
  // The edge a bonus comes from, by where it starts on the 400 x 300 playfield and
  // where it flies: straight across, away from that edge.
  const auto edgeOf = [](const TSprite& b) -> std::string {
    if (b.X == 2 && b.Y >= 3 && b.Y <= 300 && b.DX == 12 && b.DY == 0) return "left";
    if (b.Y == 2 && b.X >= 2 && b.X <= 398 && b.DX == 0 && b.DY == 12) return "top";
    if (b.X == 398 && b.Y >= 2 && b.Y <= 298 && b.DX == -12 && b.DY == 0) return "right";
    if (b.Y == 298 && b.X >= 2 && b.X <= 398 && b.DX == 0 && b.DY == -12) return "bottom";
    return "none";
  };
  // Ten launches a call; after top, right, bottom and left, ten from edges drawn from
  // that order, then the order starts again.
  std::set<std::string> drawnEdges;
  for (const std::string expected : {"top", "right", "bottom", "left", "any", "top"}) {
    World->BonusList->Clear();
    stage->SpawnBonus(*World);
    ASSERT_EQ(World->BonusList->Count(), 10);
    for (int i = 0; i < 10; ++i) {
      const std::string edge = edgeOf(*World->BonusList->Items(i));
      if (expected == "any") {
        EXPECT_NE(edge, "none");
        drawnEdges.insert(edge);
      } else {
        EXPECT_EQ(edge, expected) << "launch " << stage->Launched - 10 + i + 1;
      }
    }
  }
  EXPECT_GE(drawnEdges.size(), 3u);
  // Every bonus that is collected or leaves counts; at 0 the stage is over.
  Frames(400);
  EXPECT_EQ(World->LevelNumber, 4);
}

TEST_F(LevelTest, GiantAndTinyDrawEveryAttackerLargerOrSmallerAndTheGunHitsWhatIsDrawn) {
  TGraphicSprite* kind = AttackerKind();  // a 10 x 10 frame, opaque from 1 to 8
  AimAt(350, 250);
  const auto drawnIn = [&](std::unique_ptr<TLevel> level) {
    World->Level = std::move(level);
    TMonster* attacker = AddAttacker(kind, 100, 100);
    Frame();
    return attacker;
  };
  World->LevelNumber = 12;
  World->Level = std::make_unique<TLevel>();  // any finished level
  World->NextLevel();
  ASSERT_EQ(World->Level->Title, "GIANT");
  const TMonster* giant = drawnIn(std::move(World->Level));
  const TRect g = giant->GetBounds();
  EXPECT_EQ(g.Width(), 20);
  EXPECT_EQ(g.Height(), 20);
  EXPECT_EQ(World->MonsterList->FindAt(g.Left + 12, g.Top + 12), giant);
  World->MonsterList->Clear();

  const TMonster* chaos = drawnIn(CreateLevel(12));
  const TRect c = chaos->GetBounds();
  EXPECT_EQ(c.Width(), 10);
  EXPECT_EQ(World->MonsterList->FindAt(c.Left + 7, c.Top + 7), chaos);
  EXPECT_EQ(World->MonsterList->FindAt(c.Left + 12, c.Top + 12), nullptr);
  World->MonsterList->Clear();

  const TMonster* tiny = drawnIn(CreateLevel(14));
  const TRect t = tiny->GetBounds();
  EXPECT_EQ(t.Width(), 6);
  EXPECT_EQ(t.Height(), 6);
  EXPECT_EQ(World->MonsterList->FindAt(t.Left + 2, t.Top + 2), tiny);
  EXPECT_EQ(World->MonsterList->FindAt(t.Left + 7, t.Top + 7), nullptr);
  EXPECT_EQ(World->Lives, StartLives);
}

TEST_F(LevelTest, TheCatalogueGivesEachLevelItsTitleCountsAndCues) {
  struct TExpected {
    int Number;
    const char* Title;
    int32_t Remaining, MaxOnScreen, FireChance;
    const char* KillSound;
    const char* BonusSound;
  };
  const TExpected table[] = {
      {1, "DONKEY KONG", 100, 10, 400, "killmonster", "donkeykongbonus"},
      {2, "PACMAN", 150, 20, 400, "PacManMonsterDead", "PacManBonus"},
      {3, "BONUS STAGE", 60, 10, 400, "killmonster", "donkeykongbonus"},
      {4, "1942", 150, 10, 180, "1942MonsterDead", "donkeykongbonus"},
      {5, "GALAXIAN", 150, 20, 200, "killmonster", "donkeykongbonus"},
      {6, "SCRAMBLE", 150, 30, 140, "ScrambleMonsterDead", "DigDugBonus"},
      {7, "DIG DUG", 150, 35, 400, "DigDugMonsterDead", "DigDugBonus"},
      {8, "GALAGA", 150, 50, 140, "GalagaMonsterDead", "GalagaBonus"},
      {9, "PHOENIX", 150, 30, 400, "PhoenixMonsterDead", "PhoenixBonus"},
      {10, "SPACE INVADERS", 150, 45, 140, "SpaceInvadersMonsterDead", "donkeykongbonus"},
      {11, "KONG", 70, 10, 140, "killmonster", "donkeykongbonus"},
      {12, "CHAOS", 150, 15, 400, "killmonster", "donkeykongbonus"},
      {13, "GIANT", 150, 15, 400, "killmonster", "donkeykongbonus"},
      {14, "TINY", 150, 15, 400, "killmonster", "donkeykongbonus"},
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
  }
  const auto kong = CreateLevel(11);
  ASSERT_EQ(kong->AttackerKinds.Count(), 1);
  EXPECT_EQ(kong->AttackerKinds.Items(0)->HitPoints, 2);
  EXPECT_EQ(kong->AttackerKinds.Items(0)->MoveInterval, 80);
  EXPECT_EQ(kong->BonusKinds.Count(), 5);
}

}  // namespace
