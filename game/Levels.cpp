// The level catalogue.
#include "game/Levels.h"

#include <stdexcept>

#include "game/Bonuses.h"
#include "game/KindSets.h"

TLevel1::TLevel1() {
  Announce("DONKEY KONG", "DONKEYKONGSTART", 100, 10);
  DonkeyKongSet(*this);
}

TLevel2::TLevel2() {
  Announce("PACMAN", "PacManStart", 150, 20);
  KillSound = "PacManMonsterDead";
  BonusSound = "PacManBonus";
  PacmanSet(*this);
}

TLevel4::TLevel4() {
  Announce("1942", "1942START", 150, 10);
  FireChance = 180;
  KillSound = "1942MonsterDead";
  Set1942(*this);
}

TLevel5::TLevel5() {
  Announce("GALAXIAN", "GalaxianStart", 150, 20);
  FireChance = 200;
  GalaxianSet(*this);
}

TLevel6::TLevel6() {
  Announce("SCRAMBLE", "ScrambleStart", 150, 30);
  FireChance = 140;
  KillSound = "ScrambleMonsterDead";
  BonusSound = "DigDugBonus";
  ScrambleSet(*this);
}

TLevel7::TLevel7() {
  Announce("DIG DUG", "DigDugStart", 150, 35);
  KillSound = "DigDugMonsterDead";
  BonusSound = "DigDugBonus";
  DigDugSet(*this);
}

TLevel8::TLevel8() {
  Announce("GALAGA", "GalagaStart", 150, 50);
  FireChance = 140;
  KillSound = "GalagaMonsterDead";
  BonusSound = "GalagaBonus";
  GalagaSet(*this);
}

TLevel9::TLevel9() {
  Announce("PHOENIX", "PhoenixStart", 150, 30);
  KillSound = "PhoenixMonsterDead";
  BonusSound = "PhoenixBonus";
  PhoenixSet(*this);
}

TLevel10::TLevel10() {
  Announce("SPACE INVADERS", "SpaceInvadersStart", 150, 45);
  FireChance = 140;
  KillSound = "SpaceInvadersMonsterDead";
  SpaceInvadersSet(*this);
}

TLevel11::TLevel11() {
  Announce("KONG", "DONKEYKONGSTART", 70, 10);
  FireChance = 140;
  AttackerKinds.Add(MakeKongKind());
  const TGraphicSpriteForm& f = *GraphicSpriteForm;
  for (const auto& [picture, action] : {std::pair{&f.DonkeyKongUmbrellaImage, BonusInvincible},
                                        {&f.DonkeyKongBagImage, BonusPoints},
                                        {&f.DonkeyKongBonusImage, BonusPoints},
                                        {&f.BombImage, BonusBomb},
                                        {&f.PacmanCherryImage, BonusKick}})
    BonusKinds.Add(std::make_unique<TBonusSprite>(TPictures{picture}, action));
}

TLevel12::TLevel12() {
  Announce("CHAOS", "DONKEYKONGSTART", 150, 15);
  AllSets(*this);
}

TLevel13::TLevel13() {
  Title = "GIANT";
  ScaleX = ScaleY = 2.0;
}

TLevel14::TLevel14() {
  Title = "TINY";
  ScaleX = ScaleY = 0.6;
}

std::unique_ptr<TLevel> CreateLevel(int32_t number) {
  switch (number) {
    case 1: return std::make_unique<TLevel1>();
    case 2: return std::make_unique<TLevel2>();
    case 3: return std::make_unique<TLevel3>();
    case 4: return std::make_unique<TLevel4>();
    case 5: return std::make_unique<TLevel5>();
    case 6: return std::make_unique<TLevel6>();
    case 7: return std::make_unique<TLevel7>();
    case 8: return std::make_unique<TLevel8>();
    case 9: return std::make_unique<TLevel9>();
    case 10: return std::make_unique<TLevel10>();
    case 11: return std::make_unique<TLevel11>();
    case 12: return std::make_unique<TLevel12>();
    case 13: return std::make_unique<TLevel13>();
    case 14: return std::make_unique<TLevel14>();
    default: throw std::out_of_range("there is no level " + std::to_string(number));
  }
}
