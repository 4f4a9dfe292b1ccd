// A game window on the headless platform, set up as the program does, with helpers
// to play frames, place the gun and make small test kinds.
#pragma once

#include <memory>

#include "HeadlessFixture.h"
#include "TestPictures.h"
#include "app/GameSession.h"
#include "game/Bonuses.h"
#include "game/Level.h"
#include "game/Monsters.h"
#include "support/Random.h"

class TGameTest : public THeadlessTest {
 protected:
  explicit TGameTest(int width = 1000, int height = 750)
      : THeadlessTest(width, height), Session(std::make_unique<TGameSession>(*Platform)), World(&Session->World()) {
    World->ResetGame();
    RandSeed(1);
  }
  // The window goes while the test's kinds, which its sprites refer to, are still there.
  ~TGameTest() override { Session.reset(); }

  // Lets Ms pass, runs the due timers, then plays one frame.
  void Frame(uint32_t ms = FrameIntervalMs) {
    Platform->AdvanceClock(ms);
    Platform->ProcessMessages();
    World->PlayFrame();
  }
  void Frames(int count) {
    for (int i = 0; i < count; ++i) Frame();
  }
  // Puts the pointer over playfield point (X, Y), where the sprites see the gun from now
  // on, as from the next frame or gun tick.
  void AimAt(int x, int y) {
    Platform->SetPointerPos(static_cast<int>(x * 2.5), static_cast<int>(y * 2.5));
    World->ReadGunPos();
  }
  // Runs the gun's tick now.
  void GunTick() { World->MouseTimerEvent(); }

  // A started level that spawns nothing by itself and never ends.
  TLevel& QuietLevel() {
    World->Level = std::make_unique<TLevel>();
    World->LevelNumber = 1;
    World->Level->StartTime = 0;
    World->Level->Remaining = 1000;
    World->Level->MaxOnScreen = 0;
    return *World->Level;
  }

  // A W x H picture of one colour.
  const TImage* Block(int width, int height, TColor32 colour = 0xFF8000) { return Pictures.Block(width, height, colour); }
  // An attacker kind of one 8 x 8 block (a 10 x 10 frame), with a two-frame death.
  TGraphicSprite* AttackerKind(int hitPoints = 1) {
    auto kind = std::make_unique<TMonsterSprite>(TPictures{Block(8, 8)}, TPictures{Block(4, 4), Block(4, 4)});
    kind->HitPoints = hitPoints;
    return Kinds.Add(std::move(kind));
  }
  TMonster* AddAttacker(TGraphicSprite* kind, int x, int y) {
    return World->MonsterList->Add(std::make_unique<TMonster>(*World, kind, x, y));
  }
  TBonus* AddBonus(uint8_t action, int x, int y) {
    TGraphicSprite* kind = Kinds.Add(std::make_unique<TBonusSprite>(TPictures{Block(8, 8, 0x00FF00)}, action));
    return World->BonusList->Add(std::make_unique<TBonus>(*World, kind, x, y));
  }

  std::unique_ptr<TGameSession> Session;
  TWorldForm* World;
  TTestPictures Pictures;
  TGraphicSpriteList Kinds;
};
