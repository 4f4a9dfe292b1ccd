// A small world for sprites, without a game window: its answers are the test's to set,
// it keeps what the sprites hand it, and it has a playfield of its own.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "HeadlessFixture.h"
#include "TestPictures.h"
#include "sprites/Sprite.h"
#include "support/Random.h"

class TFakeWorld : public TSpriteWorld {
 public:
  explicit TFakeWorld(int width = 400, int height = 300) { Field.SetSize(width, height); }

  bool IsGameOver() const override { return GameOver; }
  TPoint GunPos() const override { return Gun; }
  bool IsPlayerDying() const override { return PlayerDying; }
  void ScoreKill(int32_t points) override { Score += points; }
  void LaunchMissile(std::unique_ptr<TSprite> missile) override { Missiles.push_back(std::move(missile)); }
  bool InBlastArea(const TRect& r) const override { return Blast && RectsOverlap(r, *Blast); }
  const TBitmap32& Playfield() const override { return Field; }
  TDrawScale LevelScale() const override { return Scale; }
  int32_t FireChance() const override { return Chance; }
  bool MaySpawn(int count) const override { return count < SpawnLimit; }
  void SpriteLeft() override { ++SpritesLeft; }

  TBitmap32 Field;
  bool GameOver = false;
  TPoint Gun;
  bool PlayerDying = false;
  int32_t Score = 0;
  std::vector<std::unique_ptr<TSprite>> Missiles;
  std::optional<TRect> Blast;
  TDrawScale Scale;
  int32_t Chance = 0;
  int SpawnLimit = 0;
  int SpritesLeft = 0;
};

// Sprites in a fake world on the headless platform's clock, with a list of them.
class TSpriteTest : public THeadlessTest {
 protected:
  TSpriteTest() { RandSeed(1); }

  // A kind of one 8 x 8 block (a 10 x 10 frame) worth 10 points per hit point, with a
  // two-frame death.
  TGraphicSprite* BlockKind(int hitPoints = 1) {
    auto kind = std::make_unique<TGraphicSprite>(TPictures{Pictures.Block(8, 8)},
                                                 TPictures{Pictures.Block(4, 4), Pictures.Block(4, 4)});
    kind->HitPoints = hitPoints;
    kind->ScoreFactor = 10;
    return Kinds.Add(std::move(kind));
  }
  TSprite* AddSprite(TGraphicSprite* kind, int x, int y) { return List.Add(std::make_unique<TSprite>(World, kind, x, y)); }

  TFakeWorld World;
  TTestPictures Pictures;
  TGraphicSpriteList Kinds;
  TSpriteList List{&World.Field, World};
};
