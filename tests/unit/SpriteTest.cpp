// Sprites: frame timing, the hit flash, deaths, facing, the pixel-exact tests, and what
// a list asks of the world its sprites play in.
#include "sprites/Sprite.h"

#include <set>

#include "FakeWorld.h"
#include "sprites/Missiles.h"
#include "support/Timing.h"

namespace {

class SpriteTest : public TSpriteTest {
 protected:
  // A kind with Count one-pixel frames of different colours, so the frame shows in the pixel.
  TGraphicSprite* CountingKind(int count) {
    TPictures pictures;
    for (int i = 0; i < count; ++i) pictures.push_back(Pictures.Block(1, 1, static_cast<TColor32>(0x010000 * (i + 1))));
    return Kinds.Add(std::make_unique<TGraphicSprite>(pictures, TPictures{}));
  }
  TColor32 FieldPixel(const TSprite& sprite, int dx, int dy) const {
    return World.Field.Pixel(Round(sprite.X) + dx, Round(sprite.Y) + dy);
  }
};

TEST_F(SpriteTest, ANewSpriteStartsOnARandomFrameAndAdvancesOnItsFirstDraw) {
  TGraphicSprite* kind = CountingKind(3);
  std::set<int> starts;
  for (int i = 0; i < 30; ++i) {
    TSprite sprite(World, kind, 10, 10);
    starts.insert(sprite.FrameIndex);
    const int first = sprite.FrameIndex;
    sprite.Draw(World.Field);
    EXPECT_EQ(sprite.FrameIndex, (first + 1) % 3);
    EXPECT_EQ(World.Field.Pixel(11, 11), 0x010000u * static_cast<TColor32>(sprite.FrameIndex + 1));
  }
  EXPECT_EQ(starts, (std::set<int>{0, 1, 2}));
}

TEST_F(SpriteTest, FramesAreDrawnAtTheLevelsScaleEachWayOnItsOwn) {
  TSprite* sprite = AddSprite(BlockKind(), 100, 100);
  World.Scale = {2.0, 0.5};
  sprite->Draw(World.Field);
  EXPECT_EQ(sprite->GetBounds().Width(), 20);
  EXPECT_EQ(sprite->GetBounds().Height(), 5);
  EXPECT_NE(FieldPixel(*sprite, 17, 2), 0u);
  EXPECT_EQ(FieldPixel(*sprite, 2, 7), 0u);
}

TEST_F(SpriteTest, AHitFlashesASturdySpriteAndIgnoresHitsUntilTheFlashIsOver) {
  TSprite* sprite = AddSprite(BlockKind(2), 100, 100);
  EXPECT_FALSE(sprite->Hit());
  EXPECT_TRUE(sprite->Flashing);
  EXPECT_FALSE(sprite->Hit());  // flashing: nothing changes
  EXPECT_EQ(sprite->HitPoints, 1);
  // Every second 50 ms step tints the sprite blue; the flash ends in the first even
  // step after 500 ms, when the sprite is drawn.
  Platform->AdvanceClock(60);
  sprite->Draw(World.Field);
  EXPECT_EQ(FieldPixel(*sprite, 4, 4), Color32(0xFF - 100, 0x80 - 100, 255, 0));
  Platform->AdvanceClock(450);
  sprite->Draw(World.Field);
  EXPECT_FALSE(sprite->Flashing);
  EXPECT_EQ(World.Score, 0);
  EXPECT_TRUE(sprite->Hit());
  EXPECT_EQ(World.Score, 20);  // 10 points for each of its two hit points
}

TEST_F(SpriteTest, ADeathHoldsItsLastFrameForOneIntervalBeforeRemoval) {
  TSprite* sprite = AddSprite(BlockKind(), 100, 100);
  sprite->Draw(World.Field);
  sprite->Hit();
  EXPECT_EQ(sprite->X, 102);  // the 6-pixel death frame is centred on the 10-pixel picture
  // As in a frame of the game: removal first, then drawing.
  Platform->AdvanceClock(200);
  List.RemoveFinished();
  ASSERT_EQ(List.Count(), 1);
  sprite->Draw(World.Field);  // the second and last death frame
  EXPECT_EQ(sprite->FrameIndex, 1);
  Platform->AdvanceClock(199);
  List.RemoveFinished();
  EXPECT_EQ(List.Count(), 1);
  Platform->AdvanceClock(1);
  List.RemoveFinished();
  EXPECT_EQ(List.Count(), 0);
}

TEST_F(SpriteTest, AFlungSpriteIsFinishedWhenItGrowsTooLargeByWidthOrScale) {
  TGraphicSprite* wide = Kinds.Add(std::make_unique<TGraphicSprite>(TPictures{Pictures.Block(14, 4)}, TPictures{}));
  TGraphicSprite* narrow = Kinds.Add(std::make_unique<TGraphicSprite>(TPictures{Pictures.Block(3, 3)}, TPictures{}));
  for (auto [kind, finalScale] : {std::pair{wide, 13.0}, std::pair{narrow, 22.0}}) {
    TSprite sprite(World, kind, 100, 100);
    sprite.Hit();
    sprite.FlungTime = Now();
    double scale = 0;
    while (!sprite.IsFinished()) {
      Platform->AdvanceClock(FlungStepMs);
      sprite.Draw(World.Field);
      scale = sprite.Scale;
      ASSERT_LT(scale, 100);
    }
    EXPECT_EQ(scale, finalScale);
  }
}

TEST_F(SpriteTest, TheGunHitsOnlyOpaquePixelsWithinItsSixByNineBox) {
  // Bounds (90, 90, 110, 110) with one opaque pixel at (100, 100).
  TImage picture;
  picture.Width = picture.Height = 18;
  picture.Pixels.assign(18 * 18, 0);
  picture.Pixels[9 * 18 + 9] = 0xFFFFFF;
  TGraphicSprite* kind = Kinds.Add(std::make_unique<TGraphicSprite>(TPictures{&picture}, TPictures{}));
  TSprite sprite(World, kind, 90, 90);
  EXPECT_TRUE(sprite.HitsPoint({95, 92}));
  EXPECT_TRUE(sprite.HitsPoint({100, 100}));
  EXPECT_FALSE(sprite.HitsPoint({101, 100}));
  EXPECT_FALSE(sprite.HitsPoint({100, 101}));
  World.PlayerDying = true;
  EXPECT_FALSE(sprite.HitsPoint({100, 100}));
}

TEST_F(SpriteTest, FindAtGivesTheFirstLivingSpriteUnderTheGun) {
  TGraphicSprite* kind = BlockKind();
  TSprite* first = AddSprite(kind, 100, 100);
  TSprite* second = AddSprite(kind, 102, 102);
  EXPECT_EQ(List.FindAt(105, 105), first);
  first->Hit();
  EXPECT_EQ(List.FindAt(105, 105), second);
  EXPECT_EQ(List.CountOfKind(kind), 2);
}

TEST_F(SpriteTest, DiagonalFacingsAreUsedOnlyFarFromTheGunAndWhenTheKindHasThem) {
  World.Gun = {100, 100};
  TGraphicSprite* plain = BlockKind();
  TGraphicSprite* diagonal = BlockKind();
  plain->AddVerticalAnimations();
  diagonal->AddVerticalAnimations();
  diagonal->SetDiagonalImages({Pictures.Block(8, 8)});
  TSprite far(World, diagonal, 200, 200), plainFar(World, plain, 200, 200), near(World, diagonal, 150, 200);
  for (TSprite* sprite : {&far, &plainFar, &near}) sprite->DX = sprite->DY = -1;
  EXPECT_EQ(far.ChooseAnimation(), FacingUpLeft);
  EXPECT_EQ(plainFar.ChooseAnimation(), FacingUp);  // dx = dy: the vertical motion decides
  EXPECT_EQ(near.ChooseAnimation(), FacingUp);
  near.DY = 0;
  EXPECT_EQ(near.ChooseAnimation(), FacingLeft);  // no vertical motion: slot 0
  // Where no game runs, a sprite faces the way it moves, wherever the gun is.
  World.GameOver = true;
  far.DX = 0;
  EXPECT_EQ(far.ChooseAnimation(), FacingUp);
}

TEST_F(SpriteTest, ASpriteThatDiesDuringItsWindUpNeverFires) {
  World.Chance = 1;
  TGraphicSprite* kind = BlockKind();
  kind->MissileKinds->Add(std::make_unique<TGraphicSprite>(TPictures{Pictures.Block(2, 2)}, TPictures{}));
  TSprite* firer = AddSprite(kind, 100, 100);
  TSprite* victim = AddSprite(kind, 200, 100);
  firer->TryFire();
  victim->TryFire();
  EXPECT_NE(firer->FireTime, 0u);
  victim->Hit();
  Platform->AdvanceClock(FireWindUpMs);
  firer->TryFire();
  victim->TryFire();
  ASSERT_EQ(World.Missiles.size(), 1u);
  EXPECT_EQ(World.Missiles[0]->X, 100);
  // Where nothing may fire, nothing starts to.
  World.Chance = 0;
  firer->TryFire();
  EXPECT_EQ(firer->FireTime, 0u);
}

// A list that counts its calls to bring in more sprites.
class TCountingList : public TSpriteList {
 public:
  using TSpriteList::TSpriteList;
  void SpawnNew() override { ++Spawns; }
  int Spawns = 0;
};

// A sprite that has left the playfield.
class TGoneSprite : public TSprite {
 public:
  using TSprite::TSprite;
  bool IsGone() override { return true; }
};

TEST_F(SpriteTest, AListSpawnsOnlyWhenTheWorldLetsItAndTellsOfSpritesThatLeft) {
  TCountingList list(&World.Field, World);
  list.Update();
  EXPECT_EQ(list.Spawns, 0);
  World.SpawnLimit = 1;
  list.Update();
  EXPECT_EQ(list.Spawns, 1);
  list.Add(std::make_unique<TGoneSprite>(World, BlockKind(), 10, 10));
  list.Update();  // one on screen: the limit is reached
  EXPECT_EQ(list.Spawns, 1);
  World.GameOver = true;
  list.RemoveFinishedWhilePlaying();
  EXPECT_EQ(list.Count(), 1);
  World.SpawnLimit = 5;
  list.Update();
  EXPECT_EQ(list.Spawns, 1);
  World.GameOver = false;
  list.RemoveFinishedWhilePlaying();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(World.SpritesLeft, 1);
}

TEST_F(SpriteTest, WhileTheGameIsOverFinishedSpritesStayAndAreDrawn) {
  TSprite* sprite = AddSprite(BlockKind(), 100, 100);
  sprite->Hit();
  World.GameOver = true;
  for (int i = 0; i < 3; ++i) {
    Platform->AdvanceClock(200);
    EXPECT_EQ(sprite->IsFinished(), i >= 1);
    List.RemoveFinishedWhilePlaying();
    World.Field.Clear(0);
    List.Update();
  }
  EXPECT_EQ(List.Count(), 1);
  EXPECT_NE(FieldPixel(*sprite, 2, 2), 0u);
}

TEST_F(SpriteTest, OnlyOpaquePixelsOnABlastInsideItsAreaTouchIt) {
  TGraphicSprite* kind = BlockKind();
  TSprite* touched = AddSprite(kind, 100, 100);
  TSprite* beside = AddSprite(kind, 140, 100);
  TSprite* outside = AddSprite(kind, 300, 200);
  List.DrawAll();
  World.Field.Clear(0);
  for (int x = 95; x < 105; ++x) World.Field.SetPixel(x, 105, 0xFFFFFF);  // the blast's pixels
  World.Field.SetPixel(305, 205, 0xFFFFFF);                                // a stray pixel, outside its area
  World.Blast = TRect{90, 90, 150, 120};
  EXPECT_TRUE(touched->TouchesBlast());
  EXPECT_FALSE(beside->TouchesBlast());   // in the area, but no blast pixel under it
  EXPECT_FALSE(outside->TouchesBlast());  // a pixel under it, but outside the area
}

}  // namespace
