// The kinds of every theme, built from the picture catalogue when a level starts.
#include "game/KindSets.h"

#include "game/Bonuses.h"
#include "game/Monsters.h"

namespace {

const TGraphicSpriteForm& Pictures() { return *GraphicSpriteForm; }

template <typename TKind, typename... TArguments>
TKind* AddKind(TGraphicSpriteList& list, TArguments&&... arguments) {
  return list.Add(std::make_unique<TKind>(std::forward<TArguments>(arguments)...));
}

void AddBonus(TLevel& level, const TImage& picture, uint8_t action) {
  AddKind<TBonusSprite>(level.BonusKinds, TPictures{&picture}, action);
}

std::unique_ptr<TGraphicSprite> MakeBarrelKind() {
  const TGraphicSpriteForm& f = Pictures();
  auto barrel = std::make_unique<TMonsterSprite>(
      TPictures{&f.DonkeyKongBarrelImage, &f.DonkeyKongBarrelImage, &f.DonkeyKongBarrelImage, &f.DonkeyKongBarrelImage},
      TPictures{&f.DonkeyKongExplodeImage});
  // One side-on barrel, turned four ways in place, rolls.
  TAnimateArrClass& roll = *barrel->Animations[FacingLeft];
  roll.Frame(1).MirrorTopBottom();
  roll.Frame(2).MirrorLeftRight();
  roll.Frame(2).MirrorTopBottom();
  roll.Frame(3).MirrorLeftRight();
  barrel->MirrorAnimation(FacingLeft, FacingRight);
  barrel->BuildFrames(barrel->Animations[FacingDown], {&f.Barrel1Image, &f.Barrel2Image}, true);
  barrel->BuildFrames(barrel->Animations[FacingUp], {&f.Barrel1Image, &f.Barrel2Image}, true);
  return barrel;
}

}  // namespace

std::unique_ptr<TGraphicSprite> MakeKongKind() {
  const TGraphicSpriteForm& f = Pictures();
  auto kong = std::make_unique<TMonsterSprite>(
      TPictures{&f.Kong1Image, &f.Kong3Image, &f.Kong3Image, &f.Kong1Image, &f.Kong1Image, &f.Kong1Image,
                &f.Kong2Image, &f.Kong2Image},
      TPictures{&f.KongDeadImage}, ColourOf(0, 0, 0, 10), ColourOf(0, 0, 0, 11));
  // The seventh frame stomps with the other foot.
  kong->Animations[FacingLeft]->Frame(6).MirrorLeftRight();
  kong->FreeAnimation(FacingRight);
  kong->FrameInterval = 400;
  kong->Speed = 1.0;
  kong->MoveInterval = 80;
  kong->HitPoints = 2;
  kong->BuildFrames(kong->FiringFrames, {&f.KongThrowImage}, true);
  kong->MissileKinds->Add(MakeBarrelKind());
  return kong;
}

void DonkeyKongSet(TLevel& level) {
  const TGraphicSpriteForm& f = Pictures();
  TGraphicSpriteList& kinds = level.AttackerKinds;
  // The jump man is a plain kind: killing him scores nothing.
  AddKind<TGraphicSprite>(
      kinds, TPictures{&f.JumpManLeftImage1, &f.JumpManLeftImage2, &f.JumpManLeftImage3, &f.JumpManLeftImage2},
      TPictures{&f.DonkeyKongJumpManExplode1Image, &f.DonkeyKongJumpManExplode2Image, &f.DonkeyKongJumpManExplode3Image})
      ->FrameInterval = 70;
  AddKind<TMonsterSprite>(kinds, TPictures{&f.DonkeyKongFlameImage1, &f.DonkeyKongFlameImage2},
                          TPictures{&f.DonkeyKongExplodeImage});
  AddKind<TMonsterSprite>(kinds, TPictures{&f.DonkeyKongKettleImage1, &f.DonkeyKongKettleImage2},
                          TPictures{&f.DonkeyKongExplodeImage});
  AddKind<TMonsterSprite>(kinds, TPictures{&f.StoveImage}, TPictures{&f.StoveExplodeImage});
  AddKind<TMonsterSprite>(kinds, TPictures{&f.Spring1Image, &f.Spring2Image}, TPictures{&f.DonkeyKongExplodeImage});
  kinds.Add(MakeKongKind());
  AddKind<TMonsterSprite>(kinds, TPictures{&f.DonkeyKongGirl1Image, &f.DonkeyKongGirl2Image},
                          TPictures{&f.DonkeyKongExplodeImage});

  AddBonus(level, f.DonkeyKongUmbrellaImage, BonusInvincible);
  AddBonus(level, f.DonkeyKongBagImage, BonusPoints);
  AddBonus(level, f.DonkeyKongBonusImage, BonusPoints);
  AddBonus(level, f.BombImage, BonusBomb);
}

namespace {

// The bonus kinds most themes share.
void AddCommonBonuses(TLevel& level) {
  const TGraphicSpriteForm& f = Pictures();
  AddBonus(level, f.DonkeyKongUmbrellaImage, BonusInvincible);
  AddBonus(level, f.PacmanCherryImage, BonusKick);
  AddBonus(level, f.DonkeyKongBagImage, BonusPoints);
  AddBonus(level, f.DonkeyKongBonusImage, BonusPoints);
  AddBonus(level, f.BombImage, BonusBomb);
}

// A ghost: its own up and down pictures, recoloured like its left ones.
void AddGhost(TLevel& level, TColor32 colourFrom, TColor32 colourTo) {
  const TGraphicSpriteForm& f = Pictures();
  auto* ghost = AddKind<TMonsterSprite>(level.AttackerKinds, TPictures{&f.pacmanredleft1image, &f.pacmanredleft2image},
                                        TPictures{&f.PacmanGhostDeadImage, &f.PacmanExplode11Image}, colourFrom, colourTo);
  ghost->BuildFrames(ghost->Animations[FacingUp], {&f.pacmanredup1image, &f.pacmanredup2image}, true);
  ghost->BuildFrames(ghost->Animations[FacingDown], {&f.pacmanreddown1image, &f.pacmanreddown2image}, true);
}

// A plane of the 1942 level: fast propellers, a quick explosion.
TGraphicSprite* AddPlane(TLevel& level, const TPictures& pictures, const TPictures& diagonals = {}, int32_t hitPoints = 1) {
  const TGraphicSpriteForm& f = Pictures();
  auto* plane = AddKind<TMonsterSprite>(
      level.AttackerKinds, pictures,
      TPictures{&f.Image1942Explode1, &f.Image1942Explode2, &f.Image1942Explode3, &f.Image1942Explode4,
                &f.Image1942Explode5, &f.Image1942Explode6});
  if (!diagonals.empty()) plane->SetDiagonalImages(diagonals);
  plane->HitPoints = hitPoints;
  plane->FrameInterval = 40;
  plane->AddVerticalAnimations();
  plane->DeathFrameInterval = 20;
  return plane;
}

// The bombers' bomb: it keeps its left-facing frame whichever way it falls.
void AddBomb1942(TGraphicSprite& bomber) {
  auto* bomb = AddKind<TMonsterSprite>(*bomber.MissileKinds, TPictures{&Pictures().Image1942Bomb}, TPictures{});
  bomb->FreeAnimation(FacingRight);
}

// A missile kind that turns to face where it flies.
void AddTurningMissile(TGraphicSprite& firer, const TImage& picture) {
  AddKind<TMonsterSprite>(*firer.MissileKinds, TPictures{&picture}, TPictures{})->AddVerticalAnimations();
}

TGraphicSprite* AddSmallExplosionKind(TLevel& level, const TPictures& pictures) {
  return AddKind<TMonsterSprite>(level.AttackerKinds, pictures, TPictures{&Pictures().PacmanExplode11Image});
}

}  // namespace

void PacmanSet(TLevel& level) {
  const TGraphicSpriteForm& f = Pictures();
  auto* muncher = AddKind<TMonsterSprite>(
      level.AttackerKinds, TPictures{&f.Pacman1Image, &f.Pacman2Image, &f.Pacman3Image, &f.Pacman2Image},
      TPictures{&f.PacmanExplode1Image, &f.PacmanExplode2Image, &f.PacmanExplode3Image, &f.PacmanExplode4Image,
                &f.PacmanExplode5Image, &f.PacmanExplode6Image, &f.PacmanExplode7Image, &f.PacmanExplode8Image,
                &f.PacmanExplode9Image, &f.PacmanExplode10Image, &f.PacmanExplode11Image});
  muncher->AddVerticalAnimations();
  muncher->FrameInterval = 20;
  muncher->DeathFrameInterval = 45;
  // The red ghost, then the same ghost repainted three times.
  AddGhost(level, 0, 0);
  AddGhost(level, ColourOf(0, 255, 0, 0), ColourOf(255, 255, 186, 66));
  AddGhost(level, ColourOf(0, 255, 0, 0), ColourOf(255, 255, 186, 222));
  AddGhost(level, ColourOf(0, 255, 0, 0), ColourOf(255, 0, 255, 222));

  AddBonus(level, f.PacmanApple1Image, BonusPoints);
  AddBonus(level, f.PacmanApple2Image, BonusPoints);
  AddBonus(level, f.PacmanPineappleImage, BonusPoints);
  AddBonus(level, f.PacmanStrawBerryImage, BonusInvincible);
  AddBonus(level, f.PacmanKeyImage, BonusPoints);
  AddBonus(level, f.PacmanBellImage, BonusPoints);
  AddBonus(level, f.PacmanCherryImage, BonusKick);
  AddBonus(level, f.BombImage, BonusBomb);
}

void Set1942(TLevel& level) {
  const TGraphicSpriteForm& f = Pictures();
  TGraphicSprite* fighter = AddPlane(level, {&f.Image1942Ship1, &f.Image1942Ship2});
  AddTurningMissile(*fighter, f.Image1942Missile);
  AddPlane(level, {&f.Image1942m11, &f.Image1942m12});
  AddPlane(level, {&f.Image1942m21, &f.Image1942m22}, {&f.Image1942m2dia1, &f.Image1942m2dia2});
  AddPlane(level, {&f.Image1942m4}, {&f.Image1942m4dia});
  AddPlane(level, {&f.Image1942m31, &f.Image1942m32}, {&f.Image1942m3dia1, &f.Image1942m3dia2});
  TGraphicSprite* mother = AddPlane(level, {&f.Image1942Mother11, &f.Image1942Mother12}, {}, 5);
  mother->Speed = 1.0;
  mother->MoveInterval = 80;
  mother->MaxAlive = 3;
  AddBomb1942(*mother);
  AddBomb1942(*AddPlane(level, {&f.Image1942Mother21, &f.Image1942Mother22},
                        {&f.Image1942mother2dia1, &f.Image1942mother2dia2}, 2));
  AddBomb1942(*AddPlane(level, {&f.Image1942mother41, &f.Image1942mother42}));
  AddBomb1942(*AddPlane(level, {&f.Image1942mother31, &f.Image1942mother32}));
  AddCommonBonuses(level);
}

void GalaxianSet(TLevel& level) {
  const TGraphicSpriteForm& f = Pictures();
  const TPictures flap{&f.GalRed1Image, &f.GalRed2Image, &f.GalRed1Image, &f.GalRed3Image};
  const TPictures explosion{&f.GalaxianExplode1Image, &f.GalaxianExplode2Image, &f.GalaxianExplode3Image,
                            &f.GalaxianExplode4Image};
  // Two repainted drones: their red wings take a new colour, their yellow bodies turn red.
  for (TColor32 wings : {ColourOf(255, 148, 0, 247), ColourOf(255, 0, 150, 173)}) {
    auto* drone = AddKind<TMonsterSprite>(level.AttackerKinds, flap, explosion, ColourOf(0, 255, 0, 0), wings);
    drone->ReplaceColourAll(ColourOf(0, 255, 255, 0), ColourOf(255, 255, 0, 0));
    drone->FrameInterval = 320;
    drone->DeathFrameInterval = 70;
  }
  auto* drone = AddKind<TMonsterSprite>(level.AttackerKinds, flap, explosion);
  drone->FrameInterval = 320;
  drone->DeathFrameInterval = 70;
  auto* ship = AddKind<TMonsterSprite>(level.AttackerKinds, TPictures{&f.GalShipVertImage}, explosion);
  ship->AddVerticalAnimations();
  ship->FrameInterval = 320;
  ship->DeathFrameInterval = 70;
  AddTurningMissile(*ship, f.GalFireHorzImage);
  auto* flagship = AddKind<TMonsterSprite>(level.AttackerKinds, TPictures{&f.GalYellowImage}, explosion);
  flagship->AddVerticalAnimations();
  flagship->DeathFrameInterval = 70;
  AddCommonBonuses(level);
}

void ScrambleSet(TLevel& level) {
  const TGraphicSpriteForm& f = Pictures();
  auto* jet = AddSmallExplosionKind(
      level, {&f.ScrambleHorz1Image, &f.ScrambleHorz2Image, &f.ScrambleHorz3Image, &f.ScrambleHorz4Image});
  jet->AddVerticalAnimations();
  AddKind<TMonsterSprite>(*jet->MissileKinds,
                          TPictures{&f.ScrambleMissileHorz1Image, &f.ScrambleMissileHorz2Image,
                                    &f.ScrambleMissileHorz1Image, &f.ScrambleMissileHorz3Image},
                          TPictures{})
      ->AddVerticalAnimations();
  AddSmallExplosionKind(level, {&f.ScrambleRocketHorz1Image, &f.ScrambleRocketHorz2Image, &f.ScrambleRocketHorz3Image,
                                &f.ScrambleRocketHorz2Image})
      ->AddVerticalAnimations();
  AddSmallExplosionKind(level, {&f.ScrambleHouseImage});
  AddSmallExplosionKind(level,
                        {&f.ScrambleBase1Image, &f.ScrambleBase2Image, &f.ScrambleBase3Image, &f.ScrambleBase2Image});
  AddSmallExplosionKind(level, {&f.scrambleufoimage});
  AddBonus(level, f.PacmanCherryImage, BonusKick);
  AddBonus(level, f.FuelImage, BonusPoints);
  AddBonus(level, f.BombImage, BonusBomb);
}

void DigDugSet(TLevel& level) {
  const TGraphicSpriteForm& f = Pictures();
  // The digger twice: once turning to dig up and down, once always sideways.
  AddSmallExplosionKind(level, {&f.DigDug1Image, &f.DigDug2Image})->AddVerticalAnimations();
  AddSmallExplosionKind(level, {&f.DigDug1Image, &f.DigDug2Image});
  AddSmallExplosionKind(level, {&f.DigDugDragon1Image, &f.DigDugDragon2Image});
  AddSmallExplosionKind(level, {&f.DigDugMonster1Image, &f.DigDugMonster2Image});
  AddSmallExplosionKind(level, {&f.DigDugFace1Image, &f.DigDugFace2Image});
  AddSmallExplosionKind(level, {&f.StoneImage});
  AddBonus(level, f.DigDugBonus1Image, BonusPoints);
  AddBonus(level, f.DigDugBonus2Image, BonusKick);
  AddBonus(level, f.DigDugBonus3Image, BonusInvincible);
  AddBonus(level, f.DigDugBonus4Image, BonusKick);
  AddBonus(level, f.DigDugBonus5Image, BonusInvincible);
  AddBonus(level, f.DigDugBonus6Image, BonusPoints);
  AddBonus(level, f.DigDugBonus7Image, BonusPoints);
  AddBonus(level, f.DigDugBonus8Image, BonusPoints);
  AddBonus(level, f.BombImage, BonusBomb);
}

void GalagaSet(TLevel& level) {
  const TGraphicSpriteForm& f = Pictures();
  auto* fighter = AddSmallExplosionKind(level, {&f.GalagaShipImage});
  fighter->AddVerticalAnimations();
  AddTurningMissile(*fighter, f.GalagaMissileImage);
  const std::pair<TPictures, const TImage*> aliens[] = {
      {{&f.Galagam11Image, &f.Galagam12Image}, &f.GalagaM1Dia1Image},
      {{&f.Galagam21Image, &f.Galagam22Image}, &f.Galagam2DiaImage},
      {{&f.Galagam31Image, &f.Galagam32Image}, &f.Galagam3DiaImage}};
  for (const auto& [pictures, diagonal] : aliens) {
    auto* alien = AddSmallExplosionKind(level, pictures);
    alien->AddVerticalAnimations();
    alien->SetDiagonalImages({diagonal});
  }
  AddCommonBonuses(level);
}

void PhoenixSet(TLevel& level) {
  const TGraphicSpriteForm& f = Pictures();
  auto* ship = AddSmallExplosionKind(level, {&f.Phoenixship1Image, &f.Phoenixship2Image, &f.Phoenixship3Image,
                                             &f.Phoenixship4Image, &f.Phoenixship3Image, &f.Phoenixship2Image});
  ship->FrameInterval = 40;
  ship->AddVerticalAnimations();
  AddTurningMissile(*ship, f.GalagaMissileImage);
  const TPictures smallBird{&f.PhoenixMonster11Image, &f.PhoenixMonster12Image, &f.PhoenixMonster13Image,
                            &f.PhoenixMonster12Image};
  auto* bird = AddSmallExplosionKind(level, smallBird);
  bird->SetDiagonalImages({&f.Phoenixm1Dia1Image, &f.Phoenixm1Dia2Image, &f.Phoenixm1Dia3Image, &f.Phoenixm1Dia2Image});
  for (int slot : {FacingUpLeft, FacingUpRight, FacingDownLeft, FacingDownRight}) bird->Animations[slot]->Interval = 100;
  // The same bird in other feathers; the order of the three replacements matters.
  auto* greenBird = AddSmallExplosionKind(level, smallBird);
  greenBird->ReplaceColourAll(ColourOf(0, 255, 0, 255), ColourOf(0, 0, 255, 0));
  greenBird->ReplaceColourAll(ColourOf(0, 255, 255, 0), ColourOf(0, 255, 173, 255));
  greenBird->ReplaceColourAll(ColourOf(0, 255, 173, 173), ColourOf(0, 255, 255, 0));
  const TPictures bigBird{&f.PhoenixMonster21Image, &f.PhoenixMonster22Image, &f.PhoenixMonster23Image,
                          &f.PhoenixMonster22Image};
  AddSmallExplosionKind(level, bigBird);
  AddSmallExplosionKind(level, bigBird)->SwapColoursAll(ColourOf(0, 0, 173, 255), ColourOf(0, 255, 0, 173));
  auto* mother = AddSmallExplosionKind(
      level, {&f.PhoenixMother1Image, &f.PhoenixMother2Image, &f.PhoenixMother3Image, &f.PhoenixMother4Image});
  mother->FreeAnimation(FacingRight);
  mother->FrameInterval = 100;
  mother->Speed = 1.0;
  mother->MoveInterval = 80;
  mother->HitPoints = 10;
  mother->MaxAlive = 3;
  AddCommonBonuses(level);
}

void SpaceInvadersSet(TLevel& level) {
  const TGraphicSpriteForm& f = Pictures();
  const TPictures death{&f.PacmanExplode11Image};
  auto* gun = AddKind<TMonsterSprite>(level.AttackerKinds, TPictures{&f.sishipImage}, death);
  gun->AddVerticalAnimations();
  AddTurningMissile(*gun, f.GalFireHorzImage);
  AddKind<TMonsterSprite>(level.AttackerKinds, TPictures{&f.sim11Image, &f.sim12Image}, death);
  AddKind<TMonsterSprite>(level.AttackerKinds, TPictures{&f.sim21Image, &f.sim22Image}, death);
  AddKind<TMonsterSprite>(level.AttackerKinds, TPictures{&f.sim21Image, &f.sim22Image}, death, ColourOf(0, 0, 255, 0),
                          ColourOf(255, 0, 255, 255));
  AddKind<TMonsterSprite>(level.AttackerKinds, TPictures{&f.sim31Image, &f.sim32Image}, death);
  AddKind<TMonsterSprite>(level.AttackerKinds, TPictures{&f.sim31Image, &f.sim32Image}, death,
                          ColourOf(0, 0, 255, 255), ColourOf(255, 255, 0, 255));
  AddKind<TMonsterSprite>(level.AttackerKinds, TPictures{&f.siSaucerImage}, death);
  AddCommonBonuses(level);
}

void AllSets(TLevel& level) {
  DonkeyKongSet(level);
  PacmanSet(level);
  GalaxianSet(level);
  DigDugSet(level);
  GalagaSet(level);
  Set1942(level);
  ScrambleSet(level);
  PhoenixSet(level);
  SpaceInvadersSet(level);
}
