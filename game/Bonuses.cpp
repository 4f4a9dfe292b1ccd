// Falling, collecting and the points ladder.
#include "game/Bonuses.h"

#include <algorithm>

#include "game/Level.h"

TBonusSprite::TBonusSprite(const TPictures& pictures, uint8_t action) : TGraphicSprite(pictures, {}), Action(action) {
  DeathFrameInterval = PointsShowMs;
}

TBonus::TBonus(TGameWorld& world, TGraphicSprite* kind, int x, int y) : TSprite(world, kind, x, y), Game(world) {
  DY = BonusFallSpeed;
  if (const auto* bonusKind = dynamic_cast<const TBonusSprite*>(kind)) BonusAction = bonusKind->Action;
}

bool TBonus::IsGone() {
  // A collected bonus stays to show its points, however far its picture reaches: it
  // has been counted once already.
  if (Dying) return false;
  const TBitmap32& playfield = Game.Playfield();
  return Y > playfield.Height() || Y < 0 || X < 0 || X > playfield.Width();
}

bool TBonus::Hit() {
  TLevel* level = Game.CurrentLevel();
  if (level != nullptr) Game.PlayCue(level->BonusSound);
  switch (BonusAction) {
    case BonusPoints: {
      int32_t points = 0;
      const TImage& picture = Game.Bonuses().NextPoints(points);
      if (Kind != nullptr) Kind->BuildFrames(OwnDeathFrames, {&picture}, true);
      Game.AddBonusPoints(points);
      break;
    }
    case BonusInvincible:
      Game.StartInvincible();
      break;
    case BonusBomb:
      Game.DropBomb(Game.GunPos());
      break;
    case BonusKick:
      Game.StartKick();
      break;
    default:
      break;
  }
  if (level != nullptr && level->BonusStage) --level->Remaining;
  Game.CountBonus();
  return TSprite::Hit();
}

void TBonusList::SpawnNew() {
  TBombList::SpawnNew();
  if (TLevel* level = Game.CurrentLevel()) level->SpawnBonus(Game);
}

bool TBonusList::AnyShowingPoints() const {
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Dying) return true;
  return false;
}

const TImage& TBonusList::NextPoints(int32_t& points) {
  const TLevel* level = Game.CurrentLevel();
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
