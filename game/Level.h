// TLevel: the current level with its kinds, counters, title, cues, firing chance and
// drawing scale; and the bonus stage, which launches bonuses from the edges instead.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sprites/GraphicSprite.h"

class TGameWorld;

// How long a new level's title is announced before anything spawns.
constexpr uint32_t AnnouncementMs = 3500;

// A level holds its kinds, never the sprites made from them: whoever owns the sprites
// lets them go before the level.
class TLevel {
 public:
  // Starts the announcement.
  TLevel();
  virtual ~TLevel();
  TLevel(const TLevel&) = delete;
  TLevel& operator=(const TLevel&) = delete;

  // A bonus falls into World from the top edge, with chance 1 in 80 per call.
  virtual void SpawnBonus(TGameWorld& world);
  // One more sprite spawned (or, in the bonus stage, one more bonus done with).
  virtual void SpriteDone();
  // The announcement is over.
  bool IsStarted() const { return StartTime == 0; }

  TGraphicSpriteList AttackerKinds;
  TGraphicSpriteList BonusKinds;
  int32_t Remaining = 0;
  int32_t MaxOnScreen = 0;
  std::string Title;
  // Played as the level begins.
  std::string StartCue;
  uint32_t StartTime = 0;
  bool BonusStage = false;
  std::string BonusSound = "donkeykongbonus";
  std::string KillSound = "killmonster";
  int32_t FireChance = 400;
  std::vector<uint8_t> EdgePattern;
  int32_t EdgeIndex = 0;
  int32_t Spawned = 0;
  double ScaleX = 1.0;
  double ScaleY = 1.0;

 protected:
  // Sets the title, the start cue and the counts, as every level's constructor does.
  void Announce(const std::string& title, const std::string& startCue, int32_t remaining, int32_t maxOnScreen);
};

// The bonus stage: no attackers; bonuses shoot across the playfield from the edges in
// the order of EdgePattern, ten from each edge, and every one collected or lost counts.
class TLevel3 : public TLevel {
 public:
  TLevel3();
  void SpawnBonus(TGameWorld& world) override;
  void SpriteDone() override;

  int32_t Launched = 0;

 private:
  void Launch(TGameWorld& world);
};
