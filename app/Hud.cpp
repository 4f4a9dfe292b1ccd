// The head-up display: score, high score, lives, lap flags,
// announcements, countdowns and the timed states the display step ends.
#include "app/WorldForm.h"
#include "game/Level.h"
#include "sprites/GraphicsTools.h"
#include "support/TextRoutines.h"
#include "support/Timing.h"

namespace {

constexpr int White = 0, Yellow = 1, Red = 4;

constexpr uint32_t BlinkHalfMs = 250;
constexpr uint32_t BlinkCycleMs = 500;
// The death explosion grows by its own size every this many milliseconds.
constexpr double ExplosionGrowthMs = 50;
constexpr int HudGap = 80;
constexpr int HintDrop = 60;

}  // namespace

void TWorldForm::DrawText(int x, int y, const std::string& text, int v) { Font->DrawOutlinedTextOn(Playfield(), x, y, text, v); }

void TWorldForm::DrawNumber(int x, int y, int32_t value, int digits) { DrawText(x, y, ZeroPad(value, digits), White); }

void TWorldForm::DrawMessage(const std::string& text, int v) {
  const int separators = static_cast<int>(std::count(text.begin(), text.end(), MessageSeparator));
  int y = Playfield().Height() / 2 - MessageLineSpacing * separators;
  std::string rest = text;
  for (;;) {
    const size_t at = rest.find(MessageSeparator);
    const std::string line = rest.substr(0, at);
    DrawText(Font->CenterTextX(Playfield(), line), y, line, v);
    y += MessageLineSpacing;
    if (at == std::string::npos) break;
    rest.erase(0, at + 1);
  }
}

void TWorldForm::DrawHud() {
  const int w = Playfield().Width(), h = Playfield().Height();
  const int x0 = (w - Font->TextWidth("1UP") - Font->TextWidth("HIGH SCORE") - HudGap) / 2;
  const int hx = x0 + HudGap;

  DrawNumber(x0 - 14, 10, Score, 6);
  DrawNumber(hx + 12, 10, HighScore, 6);
  for (int i = 0; i <= Lives - 2; ++i)
    if (i < Lives - 2 || ExtraLifeStamp == 0 || IntervalPassed(BlinkStamp, BlinkHalfMs))
      Playfield().Draw(x0 - 15 + i * LifeBitmap->Width(), 22, *LifeBitmap);
  if (ExtraLifeStamp != 0 && IntervalPassed(ExtraLifeStamp, ExtraLifeBlinkMs)) ExtraLifeStamp = 0;
  if (IntervalPassed(BlinkStamp, BlinkHalfMs)) DrawText(x0, 0, "1UP", Red);
  IntervalRestart(BlinkStamp, BlinkCycleMs);
  DrawText(hx, 0, "HIGH SCORE", Red);
  DrawText(hx + 140, 0, "QUIT", Yellow);
  for (int i = 0; i < Cycle; ++i) Playfield().Draw(hx + 12 + i * LevelFlagBitmap->Width(), 22, *LevelFlagBitmap);
  if (IntervalPassed(ShotStamp, ReloadMs)) ShotStamp = 0;
  if (Level && Level->StartTime != 0)
    DrawMessage("LEVEL " + std::to_string(LevelNumber) + MessageSeparator + Level->Title, White);
  if (Level && IntervalPassed(Level->StartTime, AnnouncementMs)) Level->StartTime = 0;
  if (ShowPlayHint) DrawText((w - Font->TextWidth(PlayHint)) / 2, h / 2 + HintDrop, PlayHint, Red);
  if (DeathStamp != 0) {
    const double s = ElapsedSince(DeathStamp) / ExplosionGrowthMs;
    const int ew = Round(ExplodeBitmap->Width() * s), eh = Round(ExplodeBitmap->Height() * s);
    const int left = DeathPoint.X - ew / 2, top = DeathPoint.Y - eh / 2;
    Playfield().Draw({left, top, left + ew, top + eh}, ExplodeBitmap->BoundsRect(), *ExplodeBitmap);
  }
  if (DeathStamp != 0 && IntervalPassed(DeathStamp, DeathMs)) {
    DeathStamp = 0;
    StartInvincible();
  }
  if (GameOverStamp != 0) DrawMessage("GAME OVER", White);
  if (IntervalPassed(GameOverStamp, GameOverMs)) GameOverStamp = 0;
  if (KickStamp != 0) {
    const int r = Round((static_cast<double>(KickMs) - ElapsedSince(KickStamp)) / 1000);
    DrawMessage("KICK" + std::string(1, MessageSeparator) + ZeroPad(r, 2), Yellow);
  }
  if (InvincibleStamp != 0) {
    const int r = Round((static_cast<double>(InvincibleMs) - ElapsedSince(InvincibleStamp)) / 1000);
    DrawMessage("INVINCIBLE" + std::string(1, MessageSeparator) + ZeroPad(r, 2), Yellow);
  }
}
