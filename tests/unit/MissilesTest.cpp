// Missiles aim where the gun was; bombs grow for ten frames, and stay while the game is over.
#include "sprites/Missiles.h"

#include "FakeWorld.h"
#include "sprites/GraphicsTools.h"

namespace {

class MissilesTest : public TSpriteTest {
 protected:
  MissilesTest() : Blast(BitmapFromImage(*Pictures.Block(20, 20))) {}

  // One frame of the bombs: the playfield cleared, then the list's step.
  void Frame(TBombList& bombs) {
    Platform->AdvanceClock(30);
    World.Field.Clear(0);
    bombs.Update();
  }
  TBomb* AddBomb(TBombList& bombs, TPoint p) { return bombs.Add(std::make_unique<TBomb>(World, p, *Blast)); }

  std::unique_ptr<TBitmap32> Blast;
  TBombList Bombs{&World.Field, World};
};

TEST_F(MissilesTest, AMissileHeadsForTheGunAlongItsLongerAxisAndKeepsItsFacing) {
  TGraphicSprite* kind = BlockKind();
  kind->AddVerticalAnimations();
  World.Gun = {160, 130};
  TMissile slanted(World, kind, 100, 100);
  EXPECT_EQ(slanted.DX, 3.0);
  EXPECT_EQ(slanted.DY, 1.5);
  World.Gun = {100, 40};
  TMissile upwards(World, kind, 100, 100);
  EXPECT_EQ(upwards.DX, 0.0);
  EXPECT_EQ(upwards.DY, -3.0);
  EXPECT_EQ(upwards.ChooseAnimation(), FacingUp);
  World.Gun = {300, 100};
  EXPECT_EQ(upwards.ChooseAnimation(), FacingUp);
  // Fired from the very point where the gun is, a missile does not move.
  World.Gun = {100, 100};
  TMissile still(World, kind, 100, 100);
  EXPECT_EQ(still.DX, 0.0);
  EXPECT_EQ(still.DY, 0.0);
}

TEST_F(MissilesTest, ABombBlastIsDrawnInTenFramesAndTwoBombsGrowApart) {
  AddBomb(Bombs, {100, 100});
  Frame(Bombs);
  TBomb* second = AddBomb(Bombs, {390, 290});
  int framesWithBlast = 0;
  for (int i = 0; i < 12; ++i) {
    Frame(Bombs);
    framesWithBlast += World.Field.Pixel(100, 100) != 0;
    if (i == 0) {
      EXPECT_NEAR(second->BlastScale, 0.9, 1e-9);
    }
  }
  EXPECT_EQ(framesWithBlast, 9);  // the first of its ten frames came before the loop
  EXPECT_TRUE(Bombs.IsEmpty());
  EXPECT_EQ(World.Score, 0);  // a blast that ends scores nothing
}

TEST_F(MissilesTest, WhileTheGameIsOverDeadBombsStayAndKeepGrowing) {
  TBomb* bomb = AddBomb(Bombs, {100, 100});
  World.GameOver = true;
  for (int i = 0; i < 14; ++i) Frame(Bombs);
  ASSERT_EQ(Bombs.Count(), 1);
  EXPECT_TRUE(bomb->Dying);
  EXPECT_NEAR(bomb->BlastScale, 0.1 + 14 * 0.8, 1e-9);
}

}  // namespace
