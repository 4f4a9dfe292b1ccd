// Falling, collecting and the points ladder.
#include "game/Bonuses.h"

#include <algorithm>

#include "app/WorldForm.h"
#include "game/Level.h"

TBonusSprite::TBonusSprite(const TPictures& pictures, uint8_t action) : TGraphicSprite(pictures, {}), Action(action) {
  DeathFrameInterval = PointsShowMs;
}

TBonus::TBonus(TGraphicSprite* kind, int x, int y) : TSprite(kind, x, y) {
  DY = BonusFallSpeed;
  if (const auto* bonusKind = dynamic_cast<const TBonusSprite*>(kind)) BonusAction = bonusKind->Action;
}

bool TBonus::IsGone() {
  const TBitmap32& playfield = WorldForm->Playfield();
  return Y > playfield.Height() || Y < 0 || X < 0 || X > playfield.Width();
}

bool TBonus::Hit() {
  TLevel* level = WorldForm->Level.get();
  if (level != nullptr) WorldForm->PlayCue(level->BonusSound);
  switch (BonusAction) {
    case BonusPoints: {
      int32_t points = 0;
      const TImage& picture = WorldForm->BonusList->NextPoints(points);
      if (Kind != nullptr) Kind->BuildFrames(OwnDeathFrames, {&picture}, true);
      // Straight onto the score: the extra-life and high-score checks see these points
      // only at the next kill that scores.
      WorldForm->Score += points;
      break;
    }
    case BonusInvincible:
      WorldForm->StartInvincible();
      break;
    case BonusBomb: {
      TPoint gun{0, 0};
      WorldForm->GetGunPos(gun);
      WorldForm->BombList->Add(std::make_unique<TBomb>(gun));
      break;
    }
    case BonusKick:
      WorldForm->StartKick();
      break;
    default:
      break;
  }
  if (level != nullptr && level->BonusStage) --level->Remaining;
  ++WorldForm->Statistics.BonusesCollected;
  return TSprite::Hit();
}

void TBonusList::SpawnNew() {
  TBombList::SpawnNew();
  if (TLevel* level = WorldForm->Level.get()) level->SpawnBonus();
}

bool TBonusList::AnyShowingPoints() const {
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Dying) return true;
  return false;
}

const TImage& TBonusList::NextPoints(int32_t& points) {
  const TLevel* level = WorldForm->Level.get();
  const bool bonusStage = level != nullptr && level->BonusStage;
  PointsStep = AnyShowingPoints() && !bonusStage ? std::min(PointsStep + 1, 4) : 0;
  const TGraphicSpriteForm& f = *GraphicSpriteForm;
  const struct {
    int32_t Points;
    const TImage* Picture;
  } ladder[] = {{100, &f.Bonus100Image}, {200, &f.Bonus200Image}, {300, &f.Bonus300Image}, {500, &f.Bonus500Image},
                {800, &f.Bonus800Image}};
  points = ladder[PointsStep].Points;
  return *ladder[PointsStep].Picture;
}
