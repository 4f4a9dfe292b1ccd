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
