// The level base and the bonus stage.
#include "game/Level.h"

#include "game/Bonuses.h"
#include "game/GameWorld.h"
#include "support/Random.h"
#include "support/Timing.h"

namespace {

constexpr int32_t BonusChance = 80;
constexpr int BonusDriftLeft = 16;  // a falling bonus may start this far left of the playfield
constexpr uint8_t RandomEdge = 4;
constexpr int LaunchesPerEdge = 10;
constexpr double LaunchSpeed = 12;

}  // namespace

TLevel::TLevel() { StartTime = Now(); }

TLevel::~TLevel() = default;

void TLevel::Announce(const std::string& title, const std::string& startCue, int32_t remaining, int32_t maxOnScreen) {
  Title = title;
  StartCue = startCue;
  Remaining = remaining;
  MaxOnScreen = maxOnScreen;
}

void TLevel::SpawnBonus(TGameWorld& world) {
  if (Random(BonusChance) != 0) return;
  if (BonusKinds.IsEmpty()) return;
  const int x = Random(world.Playfield().Width()) - BonusDriftLeft;
  TGraphicSprite* kind = BonusKinds.Items(Random(BonusKinds.Count()));
  world.Bonuses().Add(std::make_unique<TBonus>(world, kind, x, 0));
}

void TLevel::SpriteDone() {
  --Remaining;
  ++Spawned;
}

TLevel3::TLevel3() {
  Announce("BONUS STAGE", "DonkeyKongStart", 60, 10);
  EdgePattern = {1, 2, 3, 0, RandomEdge};
  const TGraphicSpriteForm& f = *GraphicSpriteForm;
  for (const TImage* picture :
       {&f.DigDugBonus1Image, &f.DigDugBonus2Image, &f.DigDugBonus3Image, &f.DigDugBonus4Image, &f.DigDugBonus5Image,
        &f.DigDugBonus6Image, &f.DigDugBonus7Image, &f.DigDugBonus8Image, &f.DonkeyKongUmbrellaImage,
        &f.DonkeyKongBagImage, &f.DonkeyKongBonusImage, &f.PacmanApple1Image, &f.PacmanApple2Image,
        &f.PacmanPineappleImage, &f.PacmanStrawBerryImage, &f.PacmanKeyImage, &f.PacmanBellImage, &f.PacmanCherryImage,
        &f.FuelImage})
    BonusKinds.Add(std::make_unique<TBonusSprite>(TPictures{picture}, BonusPoints));
}

void TLevel3::SpawnBonus(TGameWorld& world) {
  BonusStage = true;
  if (Remaining <= 0) return;
  const int launches = MaxOnScreen - world.Bonuses().Count();
  for (int i = 0; i < launches; ++i) Launch(world);
}

void TLevel3::Launch(TGameWorld& world) {
  const int w = world.Playfield().Width(), h = world.Playfield().Height();
  uint8_t edge = EdgePattern[static_cast<size_t>(EdgeIndex)];
  // The random entry may draw itself again; drawing until it names an edge keeps every
  // launch on one of the four.
  while (edge == RandomEdge) edge = EdgePattern[static_cast<size_t>(Random(static_cast<int>(EdgePattern.size())))];
  int x = 0, y = 0;
  double dx = 0, dy = 0;
  switch (edge) {
    case 0: x = 2, y = 3 + Random(h - 2), dx = LaunchSpeed; break;
    case 1: x = 2 + Random(w - 3), y = 2, dy = LaunchSpeed; break;
    case 2: x = w - 2, y = 2 + Random(h - 3), dx = -LaunchSpeed; break;
    default: x = 2 + Random(w - 3), y = h - 2, dy = -LaunchSpeed; break;
  }
  TGraphicSprite* kind = BonusKinds.Items(Random(BonusKinds.Count()));
  TBonus* bonus = world.Bonuses().Add(std::make_unique<TBonus>(world, kind, x, y));
  bonus->DX = dx;
  bonus->DY = dy;
  ++Launched;
  if (Launched % LaunchesPerEdge == 0 && ++EdgeIndex >= static_cast<int32_t>(EdgePattern.size())) EdgeIndex = 0;
}

void TLevel3::SpriteDone() { TLevel::SpriteDone(); }
