// One game's play state: the gun's tick, shooting, score and lives, power modes and levels.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/WorldForm.h"
#include "game/Bonuses.h"
#include "game/Levels.h"
#include "game/Monsters.h"
#include "platform/Memory.h"
#include "sprites/GraphicsTools.h"
#include "support/InputPolling.h"
#include "support/Random.h"
#include "support/Timing.h"
#include "support/Xml.h"

namespace {

// The QUIT label's place in the head-up display, in screen pixels.
constexpr int QuitLabelOffset = 220;
constexpr int QuitLabelHeight = 32;
constexpr int CycleAddsOnScreen = 5;
constexpr int CycleAddsRemaining = 10;

}  // namespace

void TWorldForm::ResetGame() {
  LevelNumber = 0;
  ShotStamp = 0;
  ShotScale = 0;
  Lives = StartLives;
  GameOverStamp = 0;
  GameOver = false;
  Score = 0;
  NextLifeScore = ExtraLifeStep;
  // A new game starts afresh: nothing of an abandoned game may leak into it.
  Cycle = 0;
  DeathStamp = 0;
  KickStamp = 0;
  InvincibleStamp = 0;
  ExtraLifeStamp = 0;
  Statistics = {};
  Randomize();
}

void TWorldForm::MouseTimerEvent() {
  try {
    TPoint p = ReadGunPos();
    // The button is asked every tick, so a click made while the gun could not fire is
    // used up then and does not fire later by itself.
    const bool pressed = (MouseButtonsDown() & LeftButton) != 0;
    if (!GameOver) {
      if (GunTrail->Count() >= GunTrailLength) GunTrail->Delete(0);
      GunTrail->AddPoint(p);
      if (!PointsEqual(p, LastGunPos)) WalkGunPath(p);
      TouchAt(p);
      if (CanShoot() && pressed) {
        ShowPlayHint = false;
        Shoot();
        TRect quit;
        GetQuitRect(quit);
        if (PointInRect({Round(p.X * ScreenToPlayfield), Round(p.Y * ScreenToPlayfield)}, quit)) Quit = true;
      }
    }
    LastGunPos = p;
    if (!Quit) Quit = EscapeDown();
  } catch (...) {
    // The gun's tick never stops the game: a failed tick is simply skipped.
  }
}

void TWorldForm::WalkGunPath(TPoint& p) {
  // Every point of the straight line from the last position is tested (not the start),
  // so a fast sweep through an attacker is still a touch.
  const TPoint from = LastGunPos;
  const int dx = p.X - from.X, dy = p.Y - from.Y;
  double xStep = 0, yStep = 0;
  if (std::abs(dx) > std::abs(dy)) {
    xStep = SignOf(dx);
    yStep = static_cast<double>(dy) / std::abs(dx);
  } else {
    yStep = SignOf(dy);
    xStep = static_cast<double>(dx) / std::abs(dy);
  }
  const TPoint target = p;
  double x = from.X, y = from.Y;
  for (int steps = std::abs(dx) + std::abs(dy) + 1; steps > 0 && !(Round(x) == target.X && Round(y) == target.Y); --steps) {
    if (x != target.X) x += xStep;
    if (y != target.Y) y += yStep;
    const TPoint point{Round(x), Round(y)};
    if (DeathStamp == 0 && TouchAttackerAt(point, p)) return;
    if (TSprite* bonus = BonusList->FindAt(point.X, point.Y)) bonus->Hit();
  }
}

bool TWorldForm::TouchAttackerAt(TPoint point, TPoint& p) {
  for (TSpriteList* list : {static_cast<TSpriteList*>(MonsterList.get()), static_cast<TSpriteList*>(MissileList.get())}) {
    if (TSprite* sprite = list->FindAt(point.X, point.Y)) {
      sprite->Hit();
      LoseLife({Round(sprite->X), Round(sprite->Y)});
      p = ReadGunPos();
      return true;
    }
  }
  return false;
}

void TWorldForm::TouchAt(TPoint p) {
  for (TSpriteList* list : {static_cast<TSpriteList*>(MonsterList.get()), static_cast<TSpriteList*>(MissileList.get())}) {
    const int count = list->Count();
    for (int i = 0; i < count && i < list->Count(); ++i) {
      TSprite* sprite = list->Items(i);
      if (!sprite->HitsPoint(p)) continue;
      sprite->Hit();
      LoseLife(p);
    }
  }
  for (int i = 0; i < BonusList->Count(); ++i)
    if (BonusList->Items(i)->HitsPoint(p)) BonusList->Items(i)->Hit();
}

void TWorldForm::AddPoints(int32_t n) {
  Score += n;
  // At most one extra life per call, however far the score jumped.
  if (Score >= NextLifeScore) {
    NextLifeScore += ExtraLifeStep;
    ExtraLifeStamp = Now();
    PlayCue("Galagabonus");
    ++Lives;
    ++Statistics.ExtraLives;
  }
  if (Score > HighScore) HighScore = Score;
}

void TWorldForm::AddBonusPoints(int32_t points) {
  Score += points;
  // The extra life waits for the next kill that scores; the high score never lags the score.
  if (Score > HighScore) HighScore = Score;
}

void TWorldForm::LoseLife(TPoint p) {
  if (DeathStamp != 0 || InPowerMode()) return;
  ExtraLifeStamp = 0;
  PlayCue("donkeykongdead");
  DeathStamp = Now();
  DeathPoint = p;
  --Lives;
  ++Statistics.LivesLost;
  if (Lives > 0) return;
  GameOverStamp = Now();
  GameOver = true;
  try {
    SetSetting("HISCORE", std::max(HighScore, Score));
  } catch (const EXmlError& error) {
    // The game goes on; the setting is written again at the next game over.
    std::fprintf(stderr, "blastover: %s\n", error.what());
  }
}

bool TWorldForm::CanShoot() const { return ShotStamp == 0 && !InPowerMode() && DeathStamp == 0; }

bool TWorldForm::InPowerMode() const { return KickStamp != 0 || InvincibleStamp != 0; }

void TWorldForm::StartKick() {
  InvincibleStamp = 0;
  KickStamp = Now();
}

void TWorldForm::StartInvincible() {
  if (GameOver) return;
  KickStamp = 0;
  InvincibleStamp = Now();
}

void TWorldForm::Shoot() {
  ShotPoint = ReadGunPos();
  ShotStamp = Now();
  ShotScale = ShotStartScale;
  ++Statistics.ShotsFired;
}

void TWorldForm::DrawShotFlash() {
  if (ShotScale == 0) return;
  DrawLaser(ShotPoint, ShotScale);
  // Frames come at least 30 ms apart, so the flash grows in every frame: six frames
  // at 0.1, 0.6, ... 2.6.
  if (IntervalRestart(FlashStamp, ShotGrowthMs)) ShotScale += ShotGrowth;
  if (ShotScale > ShotEndScale) ShotScale = 0;
}

void TWorldForm::DrawLaser(TPoint p, double s) {
  if (s == 0) return;
  DrawScaledCentred(Playfield(), *LaserBitmap, p.X, p.Y, s, s);
}

bool TWorldForm::InBlastArea(const TRect& r) const {
  if (RectsOverlap(r, CentredRect(*LaserBitmap, ShotPoint, ShotScale, ShotScale))) return true;
  for (int i = 0; i < BombList->Count(); ++i) {
    const auto* bomb = static_cast<const TBomb*>(BombList->Items(i));
    const TRect blast = CentredRect(*LaserBitmap, {Round(bomb->X), Round(bomb->Y)}, bomb->BlastScale, bomb->BlastScale);
    if (RectsOverlap(r, blast)) return true;
  }
  return false;
}

void TWorldForm::NextLevel() {
  if (Level && (Level->Remaining > 0 || !IsListEmpty(MonsterList.get()))) return;
  EndLevel();
  // The finished level's kinds and frames are freed by now: a good moment to give
  // the heap's free space back before the next level takes what it needs.
  ReturnFreeMemory();
  KickStamp = 0;
  InvincibleStamp = 0;
  if (++LevelNumber > LevelsPerCycle) {
    LevelNumber = 1;
    ++Cycle;
  }
  Level = CreateLevel(LevelNumber);
  PlayCue(Level->StartCue);
  Level->MaxOnScreen += CycleAddsOnScreen * Cycle;
  Level->Remaining += CycleAddsRemaining * Cycle;
}

void TWorldForm::EndLevel() {
  BonusList->Clear();
  MissileList->Clear();
  Level.reset();
}

void TWorldForm::GetQuitRect(TRect& r) const {
  const int x0 = (Playfield().Width() - Font->TextWidth("1UP") - Font->TextWidth("HIGH SCORE") - 80) / 2;
  r = {Round((x0 + QuitLabelOffset) * ScreenToPlayfield), 0,
       Round((x0 + QuitLabelOffset + Font->TextWidth("QUIT")) * ScreenToPlayfield), QuitLabelHeight};
}

void TWorldForm::LaunchMissile(std::unique_ptr<TSprite> missile) { MissileList->Add(std::move(missile)); }

TDrawScale TWorldForm::LevelScale() const { return Level ? TDrawScale{Level->ScaleX, Level->ScaleY} : TDrawScale{}; }

int32_t TWorldForm::FireChance() const { return Level ? Level->FireChance : 0; }

bool TWorldForm::MaySpawn(int count) const {
  return Level && Level->IsStarted() && Level->Remaining > 0 && count < Level->MaxOnScreen;
}

void TWorldForm::SpriteLeft() {
  if (Level && Level->BonusStage) Level->SpriteDone();
}

TPoint TWorldForm::GunTrailStart() const { return GunTrail->IsEmpty() ? FrameGunPos : GunTrail->Point(0); }

void TWorldForm::DropBomb(TPoint p) { BombList->Add(std::make_unique<TBomb>(*this, p, *LaserBitmap)); }
