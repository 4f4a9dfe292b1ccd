// Attackers: spawning at the edges, chasing, wandering, bouncing, fleeing, flinging and the kill cue.
#include "game/Monsters.h"

#include <algorithm>
#include <cstdint>
#include <utility>

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

TEST_F(MonstersTest, AnAttackerTouchingAnEdgeTurnsAwayFromItWhereverTheGunIs) {
  QuietLevel();
  RandSeed(3);  // no wander in the steps below
  TGraphicSprite* kind = AttackerKind();  // 10 x 10 on a 400 x 300 playfield
  const auto headingFrom = [&](int x, int y) {
    TMonster* attacker = AddAttacker(kind, x, y);
    attacker->Move();
    return std::pair{attacker->DX, attacker->DY};
  };
  // The chase says right and down; a frame that reaches the edge turns back, one a
  // pixel short of it does not.
  AimAt(399, 299);
  EXPECT_EQ(headingFrom(390, 100).first, -1.0);
  EXPECT_EQ(headingFrom(389, 100).first, 1.0);
  EXPECT_EQ(headingFrom(100, 290).second, -1.0);
  EXPECT_EQ(headingFrom(100, 289).second, 1.0);
  // Fleeing towards the left and top edges turns back there too.
  AimAt(200, 150);
  World->StartInvincible();
  EXPECT_EQ(headingFrom(0, 100).first, 1.0);
  EXPECT_EQ(headingFrom(1, 100).first, -1.0);
  EXPECT_EQ(headingFrom(100, 0).second, 1.0);
}

TEST_F(MonstersTest, OneSteeringInFiftyStartsAWanderOfOneToThreeSeconds) {
  QuietLevel();
  TMonster* attacker = AddAttacker(AttackerKind(), 100, 150);
  AimAt(200, 150);  // straight ahead: chasing never leaves the row
  int wanders = 0;
  uint32_t shortest = UINT32_MAX, longest = 0;
  for (int steer = 0; steer < 40000; ++steer) {
    attacker->LastSteer = 0;  // steer on this move
    attacker->X = 100;
    attacker->Y = 150;
    attacker->Move();
    if (attacker->Y == 150) continue;
    ++wanders;
    // It keeps its diagonal, steering no more, until the wander is over.
    const uint32_t began = attacker->LastSteer;
    uint32_t lasted = 0;
    do {
      Platform->AdvanceClock(10);
      lasted += 10;
      attacker->Move();
    } while (attacker->LastSteer == began && lasted < 10000);
    shortest = std::min(shortest, lasted);
    longest = std::max(longest, lasted);
  }
  EXPECT_NEAR(wanders, 800, 80);
  EXPECT_GE(shortest, 1000u);
  EXPECT_LE(shortest, 1100u);
  EXPECT_GE(longest, 2900u);
  EXPECT_LE(longest, 3000u);
}

TEST_F(MonstersTest, OnlyAKillInKickModeFlingsTheAttackerAlongTheGunsPath) {
  QuietLevel();
  TGraphicSprite* kind = AttackerKind();
  World->GunTrail->AddPoint({0, 100});
  AimAt(270, 100);  // 270 pixels in the trail: 150 a step, limited to 100
  World->StartInvincible();
  TMonster* dead = AddAttacker(kind, 150, 100);
  EXPECT_TRUE(dead->Hit());
  EXPECT_EQ(dead->FlungTime, 0u);
  EXPECT_EQ(dead->DX, 0.0);
  World->StartKick();
  TMonster* middle = AddAttacker(kind, 150, 100);
  EXPECT_TRUE(middle->Hit());
  EXPECT_NE(middle->FlungTime, 0u);
  EXPECT_EQ(middle->DX, 100.0);
  // Four of its own widths beyond an edge: the throw is slowed to a quarter.
  TMonster* nearRight = AddAttacker(kind, 370, 100);
  nearRight->Hit();
  EXPECT_EQ(nearRight->DX, 25.0);
  World->GunTrail->Clear();
  World->GunTrail->AddPoint({290, 290});
  AimAt(20, 20);
  TMonster* nearLeft = AddAttacker(kind, 30, 150);
  TMonster* nearTop = AddAttacker(kind, 150, 30);
  nearLeft->Hit();
  nearTop->Hit();
  EXPECT_EQ(nearLeft->DX, -25.0);
  EXPECT_EQ(nearLeft->DY, -100.0);
  EXPECT_EQ(nearTop->DX, -100.0);
  EXPECT_EQ(nearTop->DY, -25.0);
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
