// Missiles that attackers fire at the gun, and the bombs whose blasts destroy attackers.
#pragma once

#include "sprites/Sprite.h"

constexpr double MissileSpeed = 3.0;
// A bomb's blast starts at this scale of the flash picture and grows each move step.
constexpr double BombStartScale = 0.1;
constexpr double BombGrowth = 0.8;
constexpr double BombEndScale = 8.0;

// Flies in a straight line towards where the gun was when it was fired, and beyond.
class TMissile : public TSprite {
 public:
  // (X, Y) is the firing sprite's top-left corner.
  TMissile(TSpriteWorld& world, TGraphicSprite* kind, int x, int y);
  // The facing chosen at firing, kept for the whole flight.
  int ChooseAnimation() override;

  uint8_t Direction = 0;
};

// The blast of a bomb bonus: grows about the gun position where it went off.
class TBomb : public TSprite {
 public:
  // A blast of the picture Blast (not owned) about P; X, Y hold its centre, not a top-left corner.
  TBomb(TSpriteWorld& world, TPoint p, const TBitmap32& blast);
  void Move() override;
  void Draw(TBitmap32& bitmap) override;

  double BlastScale = BombStartScale;

 private:
  const TBitmap32& Blast;
};

class TBombList : public TSpriteList {
 public:
  using TSpriteList::TSpriteList;
  // Removes the bombs finished in the previous frame first (unless the game is over).
  void Update() override;
};
