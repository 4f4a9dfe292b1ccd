// The kind sets of the nine themes: counts and order, slots, parameters, recolourings, scores.
#include "game/KindSets.h"

#include "GameFixture.h"
#include "game/Levels.h"
#include "sprites/GraphicsTools.h"

namespace {

class KindSetsTest : public TGameTest {
 protected:
  // A level holding just what Set builds.
  static std::unique_ptr<TLevel> Built(void (*set)(TLevel&)) {
    auto level = std::make_unique<TLevel>();
    set(*level);
    return level;
  }
  static std::string Slots(const TGraphicSprite& kind) {
    std::string slots;
    for (int slot = 0; slot < AnimationSlots; ++slot)
      if (kind.HasAnimation(slot)) slots += static_cast<char>('0' + slot);
    return slots;
  }
  static bool AnyPixel(const TGraphicSprite& kind, TColor32 colour) {
    for (const auto& slot : kind.Animations)
      if (slot)
        for (const auto& frame : slot->Frames)
          if (std::find(frame->Bits(), frame->Bits() + frame->Width() * frame->Height(), colour) !=
              frame->Bits() + frame->Width() * frame->Height())
            return true;
    return false;
  }
};

TEST_F(KindSetsTest, EachSetBuildsItsKindsAndBonusesAndChaosBuildsThemAll) {
  const struct {
    void (*Set)(TLevel&);
    int Attackers, Bonuses;
  } sets[] = {{DonkeyKongSet, 7, 4}, {PacmanSet, 5, 8}, {Set1942, 9, 5},    {GalaxianSet, 5, 5},     {ScrambleSet, 5, 3},
              {DigDugSet, 6, 9},     {GalagaSet, 4, 5}, {PhoenixSet, 6, 5}, {SpaceInvadersSet, 7, 5}};
  for (const auto& expected : sets) {
    const auto level = Built(expected.Set);
    EXPECT_EQ(level->AttackerKinds.Count(), expected.Attackers);
    EXPECT_EQ(level->BonusKinds.Count(), expected.Bonuses);
  }
  for (int number : {12, 13, 14}) {
    const auto chaos = CreateLevel(number);
    EXPECT_EQ(chaos->AttackerKinds.Count(), 54);
    EXPECT_EQ(chaos->BonusKinds.Count(), 49);
    // The sets follow each other: the climbing game first, the invaders' saucer last.
    EXPECT_EQ(chaos->AttackerKinds.Items(0)->Animations[0]->Frame(0).Width(), GraphicSpriteForm->JumpManLeftImage1.Width + 2);
    EXPECT_EQ(chaos->AttackerKinds.Items(53)->Animations[0]->Frame(0).Width(), GraphicSpriteForm->siSaucerImage.Width + 2);
  }
}

TEST_F(KindSetsTest, TheClimbingSetHasAJumpManWorthNothingAndAKongThatThrowsBarrels) {
  const auto built = Built(DonkeyKongSet);
  const TLevel& level = *built;
  const TGraphicSprite& jumpMan = *level.AttackerKinds.Items(0);
  EXPECT_EQ(jumpMan.ScoreFactor, 0);
  EXPECT_EQ(jumpMan.FrameInterval, 70);
  EXPECT_EQ(jumpMan.DeathFrameInterval, 200);  // set before the frame interval changed
  const TGraphicSprite& kong = *level.AttackerKinds.Items(5);
  EXPECT_EQ(Slots(kong), "0");  // moving right, it still shows its slot 0 frames
  EXPECT_EQ(kong.FiringFrames->Count(), 1);
  EXPECT_EQ(kong.HitPoints, 2);
  EXPECT_EQ(kong.MoveInterval, 80);
  EXPECT_EQ(kong.FrameInterval, 400);
  // The seventh frame is the sixth's stomp mirrored.
  TBitmap32 stomp;
  stomp.Assign(*BitmapFromImage(GraphicSpriteForm->Kong2Image));
  stomp.MirrorLeftRight();
  const TBitmap32& seventh = kong.Animations[0]->Frame(6);
  EXPECT_TRUE(std::equal(seventh.Bits(), seventh.Bits() + seventh.Width() * seventh.Height(), stomp.Bits()));
  ASSERT_EQ(kong.MissileKinds->Count(), 1);
  const TGraphicSprite& barrel = *kong.MissileKinds->Items(0);
  EXPECT_EQ(Slots(barrel), "0123");
  EXPECT_EQ(barrel.Animations[FacingUp]->Count(), 2);
}

TEST_F(KindSetsTest, RecolouredKindsHaveNoneOfTheReplacedColourLeft) {
  const auto pacmanLevel = Built(PacmanSet);
  const TLevel& pacman = *pacmanLevel;
  EXPECT_TRUE(AnyPixel(*pacman.AttackerKinds.Items(1), 0x00FF0000));  // the red ghost
  for (int i = 2; i <= 4; ++i) {
    EXPECT_FALSE(AnyPixel(*pacman.AttackerKinds.Items(i), 0x00FF0000)) << i;
    EXPECT_EQ(Slots(*pacman.AttackerKinds.Items(i)), "0123");
  }
  EXPECT_TRUE(AnyPixel(*pacman.AttackerKinds.Items(2), 0xFFFFBA42));
  // The ghost's own up frames are repainted as well.
  const TBitmap32& up = pacman.AttackerKinds.Items(2)->Animations[FacingUp]->Frame(0);
  EXPECT_NE(std::find(up.Bits(), up.Bits() + up.Width() * up.Height(), 0xFFFFBA42), up.Bits() + up.Width() * up.Height());

  const auto galaxian = Built(GalaxianSet);
  const TGraphicSprite& violet = *galaxian->AttackerKinds.Items(0);
  EXPECT_FALSE(AnyPixel(violet, 0x00FF0000));
  EXPECT_FALSE(AnyPixel(violet, 0x00FFFF00));
  EXPECT_TRUE(AnyPixel(violet, 0xFF9400F7));
  EXPECT_TRUE(AnyPixel(violet, 0xFFFF0000));

  const auto phoenixLevel = Built(PhoenixSet);
  const TLevel& phoenix = *phoenixLevel;
  const TGraphicSprite& green = *phoenix.AttackerKinds.Items(2);
  EXPECT_FALSE(AnyPixel(green, 0x00FF00FF));
  EXPECT_TRUE(AnyPixel(green, 0x0000FF00));
  EXPECT_TRUE(AnyPixel(green, 0x00FFFF00));  // from the pink, after the yellow had gone
  // The swap: the second large bird shows each colour where the first shows the other.
  const TBitmap32& plain = phoenix.AttackerKinds.Items(3)->Animations[0]->Frame(0);
  const TBitmap32& swapped = phoenix.AttackerKinds.Items(4)->Animations[0]->Frame(0);
  int swaps = 0;
  for (int i = 0; i < plain.Width() * plain.Height(); ++i)
    swaps += (plain.Bits()[i] == 0x0000ADFF && swapped.Bits()[i] == 0x00FF00AD);
  EXPECT_GT(swaps, 0);

  const auto invaders = Built(SpaceInvadersSet);
  EXPECT_FALSE(AnyPixel(*invaders->AttackerKinds.Items(3), 0x0000FF00));
  EXPECT_TRUE(AnyPixel(*invaders->AttackerKinds.Items(3), 0xFF00FFFF));
  EXPECT_FALSE(AnyPixel(*invaders->AttackerKinds.Items(5), 0x0000FFFF));
}

TEST_F(KindSetsTest, SlotsAndParametersFollowTheTables) {
  const auto planesLevel = Built(Set1942);
  const TLevel& planes = *planesLevel;
  EXPECT_EQ(Slots(*planes.AttackerKinds.Items(0)), "0123");
  EXPECT_EQ(Slots(*planes.AttackerKinds.Items(2)), "01234567");
  const TGraphicSprite& mother = *planes.AttackerKinds.Items(5);
  EXPECT_EQ(mother.HitPoints, 5);
  EXPECT_EQ(mother.MaxAlive, 3);
  EXPECT_EQ(mother.MoveInterval, 80);
  EXPECT_EQ(mother.FrameInterval, 40);
  EXPECT_EQ(mother.DeathFrameInterval, 20);
  EXPECT_EQ(Slots(*mother.MissileKinds->Items(0)), "0");
  EXPECT_EQ(planes.AttackerKinds.Items(6)->HitPoints, 2);

  const auto phoenix1 = Built(PhoenixSet);
  const TLevel& phoenix = *phoenix1;
  const TGraphicSprite& bird = *phoenix.AttackerKinds.Items(1);
  EXPECT_EQ(Slots(bird), "024567");
  for (int slot : {4, 5, 6, 7}) EXPECT_EQ(bird.Animations[static_cast<size_t>(slot)]->Interval, 100);
  EXPECT_EQ(bird.Animations[0]->Interval, 0);
  const TGraphicSprite& mothership = *phoenix.AttackerKinds.Items(5);
  EXPECT_EQ(Slots(mothership), "0");
  EXPECT_EQ(mothership.HitPoints, 10);
  EXPECT_EQ(mothership.MaxAlive, 3);

  const auto digging = Built(DigDugSet);
  EXPECT_EQ(Slots(*digging->AttackerKinds.Items(0)), "0123");
  EXPECT_EQ(Slots(*digging->AttackerKinds.Items(1)), "02");
}

TEST_F(KindSetsTest, MotherShipsAreWorthTenPointsPerHitPoint) {
  QuietLevel();
  TLevel planes;
  Set1942(planes);
  TLevel birds;
  PhoenixSet(birds);
  const auto scoreOf = [&](TGraphicSprite* kind) {
    const int32_t before = World->Score;
    TMonster* sprite = AddAttacker(kind, 50, 50);
    sprite->HitPoints = 1;
    sprite->Hit();
    return World->Score - before;
  };
  EXPECT_EQ(scoreOf(planes.AttackerKinds.Items(5)), 50);
  EXPECT_EQ(scoreOf(birds.AttackerKinds.Items(5)), 100);
  World->MonsterList->Clear();
}

}  // namespace
