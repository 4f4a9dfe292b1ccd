// TSpriteWorld: what the sprite engine needs to know of the game its sprites play in,
// and the few things it asks of it; TNoGameWorld, the world where no game runs.
#pragma once

#include <cstdint>
#include <memory>

#include "sprites/Bitmap32.h"
#include "support/Geometry.h"

class TSprite;

// How many times the size of their frames the sprites of a level are drawn.
struct TDrawScale {
  double X = 1.0;
  double Y = 1.0;
};

class TSpriteWorld {
 public:
  virtual ~TSpriteWorld() = default;

  // The game is over, or none runs: sprites neither fire, spawn, leave nor face the gun.
  virtual bool IsGameOver() const = 0;
  // The gun in playfield pixels, as read at the start of the current frame or gun tick;
  // where it was last known when the pointer could not be read.
  virtual TPoint GunPos() const = 0;
  // The player's death explosion is running: nothing can be hit meanwhile.
  virtual bool IsPlayerDying() const = 0;
  // A sprite worth Points (never 0) was killed.
  virtual void ScoreKill(int32_t points) = 0;
  // A sprite fired Missile, which flies from now on.
  virtual void LaunchMissile(std::unique_ptr<TSprite> missile) = 0;
  // R overlaps the shot flash or a bomb blast.
  virtual bool InBlastArea(const TRect& r) const = 0;
  // What the sprites are drawn on: its size bounds them, and while the blasts are
  // tested it holds nothing but them.
  virtual const TBitmap32& Playfield() const = 0;
  // The current level's drawing scale; 1 by 1 without a level.
  virtual TDrawScale LevelScale() const = 0;
  // A sprite that can fire starts to with a chance of 1 in this per move step; 0 while
  // nothing may start firing.
  virtual int32_t FireChance() const = 0;
  // A list of Count sprites may bring in more now: the level has been announced, has
  // more to send and fewer than its limit on screen.
  virtual bool MaySpawn(int count) const = 0;
  // A sprite has left the playfield by itself (in the bonus stage, one more done with).
  virtual void SpriteLeft() = 0;
};

// No game runs: the world of the menu's stars, which only fall.
class TNoGameWorld : public TSpriteWorld {
 public:
  // Surface is what the sprites are drawn on.
  explicit TNoGameWorld(const TBitmap32& surface) : Surface(surface) {}

  bool IsGameOver() const override { return true; }
  TPoint GunPos() const override { return {}; }
  bool IsPlayerDying() const override { return false; }
  void ScoreKill(int32_t) override {}
  // The missile is gone at once.
  void LaunchMissile(std::unique_ptr<TSprite> missile) override;
  bool InBlastArea(const TRect&) const override { return false; }
  const TBitmap32& Playfield() const override { return Surface; }
  TDrawScale LevelScale() const override { return {}; }
  int32_t FireChance() const override { return 0; }
  bool MaySpawn(int) const override { return false; }
  void SpriteLeft() override {}

 private:
  const TBitmap32& Surface;
};
