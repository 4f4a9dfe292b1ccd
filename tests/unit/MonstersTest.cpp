// Attackers: spawning at the edges, chasing, bouncing, fleeing, flinging and the kill cue.
#include "game/Monsters.h"

#include "GameFixture.h"
#include "support/Timing.h"

namespace {

class MonstersTest : public TGameTest {};

TEST_F(MonstersTest, SpawningFillsUpToMaxOnScreenAndMayOverdrawRemaining) {
  TLevel& level = QuietLevel();
  World->MonsterList->SpawnNew();
  EXPECT_TRUE(World->MonsterList->IsEmpty());  // no attacker kinds: nothing, Remaining kept
  EXPECT_EQ(level.Remaining, 1000);
  level.AttackerKinds.Add(std::make_unique<TMonsterSprite>(TPictures{Block(8, 8)}, TPictures{}));
  level.Remaining = 1;
  level.MaxOnScreen = 10;
  World->MonsterList->SpawnNew();
  EXPECT_EQ(World->MonsterList->Count(), 10);
  EXPECT_EQ(level.Remaining, -9);
  for (int i = 0; i < 10; ++i) {
    const TSprite* s = World->MonsterList->Items(i);
    const bool onEdge = s->X == 0 || s->Y == 0 || s->X == 400 || s->Y == 300;
    EXPECT_TRUE(onEdge) << s->X << "," << s->Y;
  }
}

TEST_F(MonstersTest, AKindAtItsLimitSkipsTheAttemptWithoutPickingAnother) {
  TLevel& level = QuietLevel();
  TGraphicSprite* limited = level.AttackerKinds.Add(std::make_unique<TMonsterSprite>(TPictures{Block(8, 8)}, TPictures{}));
  limited->MaxAlive = 3;
  level.MaxOnScreen = 10;
  World->MonsterList->SpawnNew();
  EXPECT_EQ(World->MonsterList->Count(), 3);
  EXPECT_EQ(level.Remaining, 997);
}

TEST_F(MonstersTest, AttackersChaseTheGunWithTheirCornerBounceAndFleeInPowerModes) {
  QuietLevel();
  RandSeed(3);  // no wander in the steps below
  TGraphicSprite* kind = AttackerKind();
  AimAt(100, 100);
  TMonster* onGun = AddAttacker(kind, 100, 100);
  TMonster* atRight = AddAttacker(kind, 400, 100);
  TMonster* below = AddAttacker(kind, 100, 50);
  for (TMonster* m : {onGun, atRight, below}) m->Move();
  EXPECT_EQ(onGun->DX, 0.0);
  EXPECT_EQ(onGun->DY, 0.0);
  EXPECT_EQ(atRight->DX, -1.0);  // spawned on the right edge: the bounce also says left
  EXPECT_EQ(below->DY, 1.0);
  World->StartInvincible();
  below->Move();
  EXPECT_EQ(below->DY, -1.0);
}

TEST_F(MonstersTest, ASecondHitDuringTheFlashNeitherCostsAHitPointNorPlaysTheCue) {
  TLevel& level = QuietLevel();
  level.KillSound = "PacManMonsterDead";
  TMonster* sturdy = AddAttacker(AttackerKind(2), 100, 100);
  sturdy->Hit();
  Platform->AdvanceClock(WaveTimerIntervalMs);
  Platform->ProcessMessages();  // a new cue window
  sturdy->Hit();
  EXPECT_EQ(sturdy->HitPoints, 1);
  EXPECT_EQ(Platform->EventsOf("sound"), std::vector<std::string>{"PacManMonsterDead"});
}

TEST_F(MonstersTest, AKillInKickModeFlingsTheAttackerAlongTheGunsPath) {
  QuietLevel();
  TGraphicSprite* kind = AttackerKind();
  World->StartKick();
  World->GunTrail->AddPoint({0, 100});
  AimAt(270, 100);  // 270 pixels in the trail: 150 a step, limited to 100
  TMonster* middle = AddAttacker(kind, 150, 100);
  EXPECT_TRUE(middle->Hit());
  EXPECT_NE(middle->FlungTime, 0u);
  EXPECT_EQ(middle->DX, 100.0);
  // Four of its own widths beyond the right edge: the throw is slowed to a quarter.
  TMonster* nearEdge = AddAttacker(kind, 370, 100);
  nearEdge->Hit();
  EXPECT_EQ(nearEdge->DX, 25.0);
  EXPECT_EQ(World->Lives, StartLives);
}

TEST_F(MonstersTest, APlainKindScoresNothingAndAKillPlaysTheLevelsCueOnce) {
  QuietLevel();
  TGraphicSprite* plain = Kinds.Add(std::make_unique<TGraphicSprite>(TPictures{Block(8, 8)}, TPictures{}));
  TGraphicSprite* kind = AttackerKind(3);
  AddAttacker(plain, 10, 10)->Hit();
  EXPECT_EQ(World->Score, 0);
  TMonster* strong = AddAttacker(kind, 50, 50);
  strong->HitPoints = 1;
  strong->Hit();
  EXPECT_EQ(World->Score, 30);  // ten points for each hit point it started with
  EXPECT_EQ(Platform->EventsOf("sound"), std::vector<std::string>{"killmonster"});
}

}  // namespace
