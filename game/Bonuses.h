// Bonuses: pictures that drift over the playfield and give points or an effect when
// the gun touches them.
#pragma once

#include "game/GameWorld.h"
#include "sprites/Missiles.h"

// What a collected bonus does.
enum TBonusAction : uint8_t {
  BonusPoints = 0,      // points on the ladder of 100, 200, 300, 500, 800
  BonusInvincible = 1,  // the INVINCIBLE mode
  BonusBomb = 2,        // a bomb at the gun
  BonusKick = 3,        // the KICK mode
};

constexpr double BonusFallSpeed = 3.0;
// A points picture shows this long; a points bonus collected meanwhile climbs the ladder.
constexpr int32_t PointsShowMs = 1500;

class TBonusSprite : public TGraphicSprite {
 public:
  TBonusSprite(const TPictures& pictures, uint8_t action);

  uint8_t Action = BonusPoints;
};

class TBonus : public TSprite {
 public:
  // Falls from (X, Y) by 3 pixels a move step.
  TBonus(TGameWorld& world, TGraphicSprite* kind, int x, int y);
  int ChooseAnimation() override { return FacingLeft; }
  // Bonuses stay collectable even while the player's death explosion runs.
  bool IsHittable() override { return true; }
  // The top-left corner has left the playfield before the bonus was collected.
  bool IsGone() override;
  // Collects the bonus: its cue, its action, then it dies (showing its points).
  bool Hit() override;

  uint8_t BonusAction = BonusPoints;

 private:
  TGameWorld& Game;
};

class TBonusList : public TBombList {
 public:
  TBonusList(TBitmap32* bitmap, TGameWorld& world) : TBombList(bitmap, world), Game(world) {}
  void SpawnNew() override;
  // Some bonus is dying: still showing its points picture, or about to be removed.
  bool AnyShowingPoints() const;
  // The points of the next collected points bonus, and the picture that shows them.
  const TImage& NextPoints(int32_t& points);

  int32_t PointsStep = 0;

 private:
  TGameWorld& Game;
};
