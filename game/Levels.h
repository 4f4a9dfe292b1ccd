// The level classes of the cycle, each with its title, cues, counts and kinds.
#pragma once

#include <memory>

#include "game/Level.h"

// Levels 1 to 13 make one cycle; level 14 exists but the cycle never reaches it.
constexpr int32_t LevelsPerCycle = 13;

#define BLASTOVER_LEVEL(name) \
  class name : public TLevel { \
   public: \
    name(); \
  };
BLASTOVER_LEVEL(TLevel1)
BLASTOVER_LEVEL(TLevel2)
BLASTOVER_LEVEL(TLevel4)
BLASTOVER_LEVEL(TLevel5)
BLASTOVER_LEVEL(TLevel6)
BLASTOVER_LEVEL(TLevel7)
BLASTOVER_LEVEL(TLevel8)
BLASTOVER_LEVEL(TLevel9)
BLASTOVER_LEVEL(TLevel10)
BLASTOVER_LEVEL(TLevel11)
BLASTOVER_LEVEL(TLevel12)
#undef BLASTOVER_LEVEL

// GIANT: CHAOS with every sprite drawn twice as large.
class TLevel13 : public TLevel12 {
 public:
  TLevel13();
};

// TINY: CHAOS with every sprite drawn at 0.6 of its size.
class TLevel14 : public TLevel12 {
 public:
  TLevel14();
};

// The level of that number, 1 to 14.
std::unique_ptr<TLevel> CreateLevel(int32_t number);
