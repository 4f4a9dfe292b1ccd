// TGameWorld: what attackers, bonuses and levels need of the game they play in, beyond
// what every sprite needs.
#pragma once

#include <cstdint>
#include <string>

#include "sprites/SpriteWorld.h"

class TBonusList;
class TLevel;

class TGameWorld : public TSpriteWorld {
 public:
  // The level in play; null between levels.
  virtual TLevel* CurrentLevel() const = 0;
  // Plays a sound cue of the game, unless it already sounded in the last moments.
  virtual void PlayCue(const std::string& name) = 0;
  // INVINCIBLE or KICK is running: attackers flee the gun.
  virtual bool InPowerMode() const = 0;
  // KICK is running: a killed attacker is flung away.
  virtual bool InKickMode() const = 0;
  // Where the gun was at the oldest point of its recent trail; GunPos() without a trail.
  virtual TPoint GunTrailStart() const = 0;
  // The bonuses in play.
  virtual TBonusList& Bonuses() = 0;

  // What a collected bonus does. Points go straight onto the score, and the high score
  // follows; the extra-life check sees them only at the next kill that scores.
  virtual void AddBonusPoints(int32_t points) = 0;
  virtual void StartInvincible() = 0;
  virtual void StartKick() = 0;
  // A bomb's blast grows about P.
  virtual void DropBomb(TPoint p) = 0;

  // The game's statistics: an attacker killed, a bonus collected.
  virtual void CountKill() = 0;
  virtual void CountBonus() = 0;
};
