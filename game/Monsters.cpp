// Chasing, wandering, bouncing, fleeing, flinging, blasts and spawning.
#include "game/Monsters.h"

#include <algorithm>
#include <cmath>

#include "game/Level.h"
#include "support/Random.h"
#include "support/Timing.h"

TMonsterSprite::TMonsterSprite(const TPictures& pictures, const TPictures& deathPictures)
    : TGraphicSprite(pictures, deathPictures) {
  ScoreFactor = AttackerScoreFactor;
}

TMonsterSprite::TMonsterSprite(const TPictures& pictures, const TPictures& deathPictures, TColor32 colourFrom,
                               TColor32 colourTo)
    : TGraphicSprite(pictures, deathPictures, colourFrom, colourTo) {
  ScoreFactor = AttackerScoreFactor;
}

void TMonster::Move() {
  if (FlungTime == 0) {
    if (IntervalPassed(LastSteer, static_cast<uint32_t>(SteerInterval))) Steer();
    Bounce();
  }
  TSprite::Move();
}

void TMonster::Steer() {
  LastSteer = Now();
  if (!Game.IsGameOver()) {
    // The top-left corner, not the centre, is steered onto the gun.
    const TPoint gun = Game.GunPos();
    DX = std::clamp(gun.X - X, -Speed, Speed);
    DY = std::clamp(gun.Y - Y, -Speed, Speed);
  }
  LastSteer = 0;
  if (Random(WanderChance) == 0) {
    DX = RandomSign() * Speed;
    DY = RandomSign() * Speed;
    SteerInterval = WanderMinMs + Random(WanderExtraMs);
    LastSteer = Now();
  }
  if (Game.InPowerMode()) {
    DX = -DX;
    DY = -DY;
  }
}

void TMonster::Bounce() {
  const TBitmap32& playfield = Game.Playfield();
  if (X <= 0) DX = std::abs(DX);
  if (X + WorkBitmap->Width() >= playfield.Width()) DX = -std::abs(DX);
  if (Y <= 0) DY = std::abs(DY);
  if (Y + WorkBitmap->Height() >= playfield.Height()) DY = -std::abs(DY);
}

bool TMonster::Hit() {
  const TLevel* level = Game.CurrentLevel();
  if (!Flashing && level != nullptr) Game.PlayCue(level->KillSound);
  const bool killed = TSprite::Hit();
  if (killed) Game.CountKill();
  if (killed && Game.InKickMode()) Fling();
  return killed;
}

void TMonster::Fling() {
  FlungTime = Now();
  const TPoint gun = Game.GunPos();
  const TPoint oldest = Game.GunTrailStart();
  DX = std::clamp((gun.X - oldest.X) / FlingDivisor, -FlingMax, FlingMax);
  DY = std::clamp((gun.Y - oldest.Y) / FlingDivisor, -FlingMax, FlingMax);
  // A throw that would carry it far past an edge within four of its own sizes is slowed.
  const TBitmap32& playfield = Game.Playfield();
  const double w = WorkBitmap->Width(), h = WorkBitmap->Height();
  const int sx = static_cast<int>(SignOfFloat(DX)), sy = static_cast<int>(SignOfFloat(DY));
  if (X + 4 * sx * w > playfield.Width()) DX /= 4;
  if (X + 4 * sx * w < 0) DX /= 4;
  if (Y + 4 * sy * h > playfield.Height()) DY /= 4;
  if (Y + 4 * sy * h < 0) DY /= 4;
}

void THitList::RemoveFinished() {
  TSpriteList::RemoveFinished();
  for (int i = 0; i < Count(); ++i) {
    TSprite* sprite = Items(i);
    if (!sprite->Dying && sprite->TouchesBlast()) sprite->Hit();
  }
}

void TMonsterList::SpawnNew() {
  TLevel* level = Game.CurrentLevel();
  if (level == nullptr || level->Remaining <= 0) return;
  const int w = Game.Playfield().Width(), h = Game.Playfield().Height();
  const int attempts = level->MaxOnScreen - Count();
  for (int attempt = 0; attempt < attempts; ++attempt) {
    int x = 0, y = 0;
    switch (Random(4)) {
      case 0: x = Random(w), y = 0; break;
      case 1: x = w, y = Random(h); break;
      case 2: x = Random(w), y = h; break;
      default: x = 0, y = Random(h); break;
    }
    if (level->AttackerKinds.IsEmpty()) continue;
    TGraphicSprite* kind = level->AttackerKinds.Items(Random(level->AttackerKinds.Count()));
    if (kind->MaxAlive != 0 && CountOfKind(kind) >= kind->MaxAlive) continue;
    Add(std::make_unique<TMonster>(Game, kind, x, y));
    level->SpriteDone();
  }
}
