// Missiles aim where the gun was; bombs grow for ten frames and kill what their blast touches.
#include "sprites/Missiles.h"

#include "GameFixture.h"

namespace {

class MissilesTest : public TGameTest {};

TEST_F(MissilesTest, AMissileHeadsForTheGunAlongItsLongerAxisAndKeepsItsFacing) {
  QuietLevel();
  TGraphicSprite* kind = AttackerKind();
  kind->AddVerticalAnimations();
  AimAt(160, 130);
  TMissile slanted(kind, 100, 100);
  EXPECT_EQ(slanted.DX, 3.0);
  EXPECT_EQ(slanted.DY, 1.5);
  AimAt(100, 40);
  TMissile upwards(kind, 100, 100);
  EXPECT_EQ(upwards.DX, 0.0);
  EXPECT_EQ(upwards.DY, -3.0);
  EXPECT_EQ(upwards.ChooseAnimation(), FacingUp);
  AimAt(300, 100);
  EXPECT_EQ(upwards.ChooseAnimation(), FacingUp);
  // Fired from the very point where the gun is, a missile does not move.
  AimAt(100, 100);
  TMissile still(kind, 100, 100);
  EXPECT_EQ(still.DX, 0.0);
  EXPECT_EQ(still.DY, 0.0);
}

TEST_F(MissilesTest, ABombBlastIsDrawnInTenFramesAndTwoBombsGrowApart) {
  QuietLevel();
  World->BombList->Add(std::make_unique<TBomb>(TPoint{100, 100}));
  Frame();
  auto* second = static_cast<TBomb*>(World->BombList->Add(std::make_unique<TBomb>(TPoint{390, 290})));
  int framesWithBlast = 0;
  for (int i = 0; i < 12; ++i) {
    Frame();
    framesWithBlast += World->Playfield().Pixel(100, 100) != 0;
    if (i == 0) {
      EXPECT_NEAR(second->BlastScale, 0.9, 1e-9);
    }
  }
  EXPECT_EQ(framesWithBlast, 9);  // the first of its ten frames came before the loop
  EXPECT_TRUE(World->BombList->IsEmpty());
}

TEST_F(MissilesTest, ABlastKillsAttackersAndMissilesItsPixelsTouch) {
  QuietLevel();
  TGraphicSprite* kind = AttackerKind();
  TMonster* attacker = AddAttacker(kind, 120, 95);
  TMissile* missile = static_cast<TMissile*>(World->MissileList->Add(std::make_unique<TMissile>(kind, 80, 95)));
  TMonster* safe = AddAttacker(kind, 380, 280);
  World->BombList->Add(std::make_unique<TBomb>(TPoint{100, 100}));
  Frames(4);
  EXPECT_TRUE(attacker->Dying);
  EXPECT_TRUE(missile->Dying);
  EXPECT_FALSE(safe->Dying);
}

TEST_F(MissilesTest, WhileTheGameIsOverDeadBombsStayAndKeepGrowing) {
  QuietLevel();
  TBomb* bomb = static_cast<TBomb*>(World->BombList->Add(std::make_unique<TBomb>(TPoint{100, 100})));
  World->GameOver = true;
  Frames(14);
  ASSERT_EQ(World->BombList->Count(), 1);
  EXPECT_TRUE(bomb->Dying);
  EXPECT_NEAR(bomb->BlastScale, 0.1 + 14 * 0.8, 1e-9);
}

}  // namespace
