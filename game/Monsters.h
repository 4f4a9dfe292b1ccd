// Attackers: they enter at the edges, chase the gun, wander now and then, bounce off
// the edges, flee during a power mode, and are flung away when killed in KICK mode.
#pragma once

#include "game/GameWorld.h"
#include "sprites/Sprite.h"

constexpr int32_t AttackerScoreFactor = 10;
constexpr int32_t WanderChance = 50;
constexpr int32_t WanderMinMs = 1000;
constexpr int32_t WanderExtraMs = 2000;
// A flung attacker's speed is the gun's recent travel divided by this, at most FlingMax.
constexpr double FlingDivisor = 1.8;
constexpr double FlingMax = 100;

// An attacker kind: worth 10 points per hit point.
class TMonsterSprite : public TGraphicSprite {
 public:
  TMonsterSprite(const TPictures& pictures, const TPictures& deathPictures);
  TMonsterSprite(const TPictures& pictures, const TPictures& deathPictures, TColor32 colourFrom, TColor32 colourTo);
};

class TMonster : public TSprite {
 public:
  TMonster(TGameWorld& world, TGraphicSprite* kind, int x, int y) : TSprite(world, kind, x, y), Game(world) {}
  void Move() override;
  // Plays the level's kill cue unless flashing; a kill in KICK mode flings the attacker.
  bool Hit() override;

 private:
  void Steer();
  void Bounce();
  void Fling();

  TGameWorld& Game;
};

// A list whose sprites die where the shot flash or a bomb blast touches them.
class THitList : public TSpriteList {
 public:
  using TSpriteList::TSpriteList;
  void RemoveFinished() override;
};

class TMonsterList : public THitList {
 public:
  TMonsterList(TBitmap32* bitmap, TGameWorld& world) : THitList(bitmap, world), Game(world) {}
  // Brings attackers in at the edges until MaxOnScreen live.
  void SpawnNew() override;

 private:
  TGameWorld& Game;
};
