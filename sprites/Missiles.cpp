// Aiming missiles and growing bombs.
#include "sprites/Missiles.h"

#include <cstdlib>

#include "sprites/GraphicsTools.h"

TMissile::TMissile(TSpriteWorld& world, TGraphicSprite* kind, int x, int y) : TSprite(world, kind, x, y) {
  Speed = MissileSpeed;
  const TPoint gun = World.GunPos();
  const double ax = std::abs(x - gun.X), ay = std::abs(y - gun.Y);
  const int sx = SignOf(gun.X - x), sy = SignOf(gun.Y - y);
  // The longer axis moves at full speed and the shorter in proportion, so both arrive together.
  if (ax > ay) {
    const double steps = NonZeroOr1(ax / Speed);
    DX = sx * Speed;
    DY = sy * ay / steps;
  } else {
    const double steps = NonZeroOr1(ay / Speed);
    DX = sx * ax / steps;
    DY = sy * Speed;
  }
  Direction = static_cast<uint8_t>(TSprite::ChooseAnimation());
}

int TMissile::ChooseAnimation() { return Direction; }

TBomb::TBomb(TSpriteWorld& world, TPoint p, const TBitmap32& blast) : TSprite(world), Blast(blast) {
  X = p.X;
  Y = p.Y;
  HitPoints = 0;
  InitialHitPoints = 0;
  MoveInterval = 0;
}

void TBomb::Move() { BlastScale += BombGrowth; }

void TBomb::Draw(TBitmap32& bitmap) {
  DrawScaledCentred(bitmap, Blast, Round(X), Round(Y), BlastScale, BlastScale);
  // Without a kind or hit points the hit kills at once, scores nothing and leaves no death to play.
  if (!Dying && BlastScale > BombEndScale) Hit();
}

void TBombList::Update() {
  RemoveFinishedWhilePlaying();
  TSpriteList::Update();
}
