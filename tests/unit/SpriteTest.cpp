// Sprites: frame timing, the hit flash, deaths, facing, and the pixel-exact tests.
#include "sprites/Sprite.h"

#include <set>

#include "GameFixture.h"
#include "sprites/Missiles.h"
#include "support/Timing.h"

namespace {

class SpriteTest : public TGameTest {
 protected:
  // A kind with Count one-pixel frames of different colours, so the frame shows in the pixel.
  TGraphicSprite* CountingKind(int count) {
    TPictures pictures;
    for (int i = 0; i < count; ++i) pictures.push_back(Block(1, 1, static_cast<TColor32>(0x010000 * (i + 1))));
    return Kinds.Add(std::make_unique<TGraphicSprite>(pictures, TPictures{}));
  }
};

TEST_F(SpriteTest, ANewSpriteStartsOnARandomFrameAndAdvancesOnItsFirstDraw) {
  QuietLevel();
  TGraphicSprite* kind = CountingKind(3);
  std::set<int> starts;
  for (int i = 0; i < 30; ++i) {
    TSprite sprite(kind, 10, 10);
    starts.insert(sprite.FrameIndex);
    const int first = sprite.FrameIndex;
    sprite.Draw(World->Playfield());
    EXPECT_EQ(sprite.FrameIndex, (first + 1) % 3);
    EXPECT_EQ(World->Playfield().Pixel(11, 11), 0x010000u * static_cast<TColor32>(sprite.FrameIndex + 1));
  }
  EXPECT_EQ(starts, (std::set<int>{0, 1, 2}));
}

TEST_F(SpriteTest, AHitFlashesASturdySpriteAndIgnoresHitsUntilTheFlashIsOver) {
  QuietLevel();
  TMonster* sprite = AddAttacker(AttackerKind(2), 100, 100);
  EXPECT_FALSE(sprite->Hit());
  EXPECT_TRUE(sprite->Flashing);
  EXPECT_FALSE(sprite->Hit());  // flashing: nothing changes
  EXPECT_EQ(sprite->HitPoints, 1);
  // Every second 50 ms step tints the sprite blue; the flash ends in the first even
  // step after 500 ms, when the sprite is drawn.
  Platform->AdvanceClock(60);
  World->ClearPlayfield();
  sprite->Draw(World->Playfield());
  EXPECT_EQ(World->Playfield().Pixel(Round(sprite->X) + 4, Round(sprite->Y) + 4), Color32(0xFF - 100, 0x80 - 100, 255, 0));
  Platform->AdvanceClock(450);
  sprite->Draw(World->Playfield());
  EXPECT_FALSE(sprite->Flashing);
  EXPECT_TRUE(sprite->Hit());
  EXPECT_EQ(World->Score, 20);  // 10 points for each of its two hit points
}

TEST_F(SpriteTest, ADeathHoldsItsLastFrameForOneIntervalBeforeRemoval) {
  QuietLevel();
  TMonster* sprite = AddAttacker(AttackerKind(), 100, 100);
  sprite->Draw(World->Playfield());
  sprite->Hit();
  EXPECT_EQ(sprite->X, 102);  // the 6-pixel death frame is centred on the 10-pixel picture
  // As in a frame of the game: removal first, then drawing.
  Platform->AdvanceClock(200);
  World->MonsterList->RemoveFinished();
  ASSERT_EQ(World->MonsterList->Count(), 1);
  sprite->Draw(World->Playfield());  // the second and last death frame
  EXPECT_EQ(sprite->FrameIndex, 1);
  Platform->AdvanceClock(199);
  World->MonsterList->RemoveFinished();
  EXPECT_EQ(World->MonsterList->Count(), 1);
  Platform->AdvanceClock(1);
  World->MonsterList->RemoveFinished();
  EXPECT_EQ(World->MonsterList->Count(), 0);
}

TEST_F(SpriteTest, AFlungSpriteIsFinishedWhenItGrowsTooLargeByWidthOrScale) {
  QuietLevel();
  TGraphicSprite* wide = Kinds.Add(std::make_unique<TMonsterSprite>(TPictures{Block(14, 4)}, TPictures{}));
  TGraphicSprite* narrow = Kinds.Add(std::make_unique<TMonsterSprite>(TPictures{Block(3, 3)}, TPictures{}));
  for (auto [kind, finalScale] : {std::pair{wide, 13.0}, std::pair{narrow, 22.0}}) {
    TSprite sprite(kind, 100, 100);
    sprite.Hit();
    sprite.FlungTime = Now();
    double scale = 0;
    while (!sprite.IsFinished()) {
      Platform->AdvanceClock(FlungStepMs);
      sprite.Draw(World->Playfield());
      scale = sprite.Scale;
      ASSERT_LT(scale, 100);
    }
    EXPECT_EQ(scale, finalScale);
  }
}

TEST_F(SpriteTest, TheGunHitsOnlyOpaquePixelsWithinItsSixByNineBox) {
  QuietLevel();
  // Bounds (90, 90, 110, 110) with one opaque pixel at (100, 100).
  TImage picture;
  picture.Width = picture.Height = 18;
  picture.Pixels.assign(18 * 18, 0);
  picture.Pixels[9 * 18 + 9] = 0xFFFFFF;
  TGraphicSprite* kind = Kinds.Add(std::make_unique<TGraphicSprite>(TPictures{&picture}, TPictures{}));
  TSprite sprite(kind, 90, 90);
  EXPECT_TRUE(sprite.HitsPoint({95, 92}));
  EXPECT_TRUE(sprite.HitsPoint({100, 100}));
  EXPECT_FALSE(sprite.HitsPoint({101, 100}));
  EXPECT_FALSE(sprite.HitsPoint({100, 101}));
  World->DeathStamp = Now();
  EXPECT_FALSE(sprite.HitsPoint({100, 100}));
}

TEST_F(SpriteTest, FindAtGivesTheFirstLivingSpriteUnderTheGun) {
  QuietLevel();
  TGraphicSprite* kind = AttackerKind();
  TMonster* first = AddAttacker(kind, 100, 100);
  TMonster* second = AddAttacker(kind, 102, 102);
  EXPECT_EQ(World->MonsterList->FindAt(105, 105), first);
  first->Hit();
  EXPECT_EQ(World->MonsterList->FindAt(105, 105), second);
  EXPECT_EQ(World->MonsterList->CountOfKind(kind), 2);
}

TEST_F(SpriteTest, DiagonalFacingsAreUsedOnlyFarFromTheGunAndWhenTheKindHasThem) {
  QuietLevel();
  AimAt(100, 100);
  TGraphicSprite* plain = AttackerKind();
  TGraphicSprite* diagonal = AttackerKind();
  plain->AddVerticalAnimations();
  diagonal->AddVerticalAnimations();
  diagonal->SetDiagonalImages({Block(8, 8)});
  TSprite far(diagonal, 200, 200), plainFar(plain, 200, 200), near(diagonal, 150, 200);
  for (TSprite* sprite : {&far, &plainFar, &near}) sprite->DX = sprite->DY = -1;
  EXPECT_EQ(far.ChooseAnimation(), FacingUpLeft);
  EXPECT_EQ(plainFar.ChooseAnimation(), FacingUp);  // dx = dy: the vertical motion decides
  EXPECT_EQ(near.ChooseAnimation(), FacingUp);
  near.DY = 0;
  EXPECT_EQ(near.ChooseAnimation(), FacingLeft);  // no vertical motion: slot 0
}

TEST_F(SpriteTest, ASpriteThatDiesDuringItsWindUpNeverFires) {
  TLevel& level = QuietLevel();
  level.FireChance = 1;
  TGraphicSprite* kind = AttackerKind();
  kind->MissileKinds->Add(std::make_unique<TMonsterSprite>(TPictures{Block(2, 2)}, TPictures{}));
  TMonster* firer = AddAttacker(kind, 100, 100);
  TMonster* victim = AddAttacker(kind, 200, 100);
  firer->TryFire();
  victim->TryFire();
  EXPECT_NE(firer->FireTime, 0u);
  victim->Hit();
  Platform->AdvanceClock(FireWindUpMs);
  firer->TryFire();
  victim->TryFire();
  ASSERT_EQ(World->MissileList->Count(), 1);
  EXPECT_EQ(World->MissileList->Items(0)->X, 100);
}

TEST_F(SpriteTest, WhileTheGameIsOverFinishedSpritesStayAndAreDrawn) {
  QuietLevel();
  TMonster* sprite = AddAttacker(AttackerKind(), 100, 100);
  sprite->Hit();
  World->GameOver = true;
  for (int i = 0; i < 3; ++i) {
    Platform->AdvanceClock(200);
    EXPECT_EQ(sprite->IsFinished(), i >= 1);
    World->MonsterList->RemoveFinishedWhilePlaying();
    World->ClearPlayfield();
    World->MonsterList->Update();
  }
  EXPECT_EQ(World->MonsterList->Count(), 1);
  EXPECT_NE(World->Playfield().Pixel(Round(sprite->X) + 2, Round(sprite->Y) + 2), 0u);
}

}  // namespace
