// The attacker kind sets: for each arcade theme, the routine that builds its attacker
// kinds (with their missile kinds) and bonus kinds and appends them to a level.
#pragma once

#include "game/Level.h"

// Colours the sets find and replace, as frame pixels hold them (alpha 0) or as opaque
// replacements (alpha FF).
constexpr TColor32 ColourOf(uint8_t alpha, uint8_t red, uint8_t green, uint8_t blue) {
  return Color32(red, green, blue, alpha);
}

void DonkeyKongSet(TLevel& level);
void PacmanSet(TLevel& level);
void Set1942(TLevel& level);
void GalaxianSet(TLevel& level);
void ScrambleSet(TLevel& level);
void DigDugSet(TLevel& level);
void GalagaSet(TLevel& level);
void PhoenixSet(TLevel& level);
void SpaceInvadersSet(TLevel& level);
// All nine, in the order the mixed levels use.
void AllSets(TLevel& level);
// The Kong with its barrel, as the DONKEY KONG set and the KONG level build it.
std::unique_ptr<TGraphicSprite> MakeKongKind();
