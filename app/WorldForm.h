// TWorldForm: the full-screen game window, its play state, and the outer loop of games.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "game/GameWorld.h"
#include "platform/Platform.h"
#include "sound/CueGuard.h"
#include "sprites/Bitmap32.h"
#include "sprites/ChangedAreas.h"
#include "sprites/GraphicSpriteForm.h"
#include "sprites/Resampler.h"
#include "sprites/SpriteFont.h"
#include "support/Geometry.h"
#include "support/ObjectLists.h"

class TBombList;
class TBonusList;
class THitList;
class TLevel;
class TMenuForm;
class TMonsterList;

constexpr uint32_t FrameIntervalMs = 30;
constexpr uint32_t BringToFrontIntervalMs = 1800;
constexpr uint32_t MouseTimerIntervalMs = 100;
constexpr uint32_t WaveTimerIntervalMs = 200;
// How often a game held while the screen is locked looks whether it is unlocked.
constexpr uint32_t LockedLookMs = 250;
constexpr int StartLives = 3;
constexpr int32_t ExtraLifeStep = 3000;
constexpr uint32_t ReloadMs = 2000;
constexpr double ShotStartScale = 0.1;
constexpr double ShotGrowth = 0.5;
constexpr double ShotEndScale = 3.0;
constexpr uint32_t ShotGrowthMs = 5;
constexpr int GunTrailLength = 5;
constexpr uint32_t DeathMs = 1200;
constexpr uint32_t InvincibleMs = 5000;
constexpr uint32_t KickMs = 10000;
constexpr uint32_t GameOverMs = 3000;
constexpr uint32_t ExtraLifeBlinkMs = 3000;
// The window's size as designed, before it is made to cover the screen.
constexpr int DesignClientWidth = 591;
constexpr int DesignClientHeight = 481;

constexpr int MessageLineSpacing = 12;
// Separates the lines of a message.
constexpr char MessageSeparator = '\0';
constexpr const char* PlayHint = "PRESS LEFT MOUSE TO KILL ATTACKERS";

// What happened in the current game, for summaries and tests.
struct TPlayStatistics {
  int32_t Kills = 0;
  int32_t LivesLost = 0;
  int32_t ExtraLives = 0;
  int32_t ShotsFired = 0;
  int32_t BonusesCollected = 0;
};

// The game window: it owns the play state, the sprite lists, the level and the pictures,
// and is the world its sprites play in.
class TWorldForm : public TGameWorld {
 public:
  TWorldForm();
  ~TWorldForm() override;
  TWorldForm(const TWorldForm&) = delete;
  TWorldForm& operator=(const TWorldForm&) = delete;

  // Sets up the window and everything a game needs. Runs twice: the first run makes
  // the window cover the screen, so the second sizes the playfield from the screen.
  void InitWorld();
  // Games, one after the other, until the player quits; the window is set up by then.
  void RunGame();
  // Makes the whole window see-through.
  void ClearWorldImage();
  // Every 200 ms: a new window for sound cues, and the window brought to the front.
  void TWaveTimerEvent();
  // Stops (Paused) or starts afresh the gun's and the cues' timers.
  void PauseGameTimers(bool paused);

  // The play state.
  void ResetGame();
  // Runs one game until it is over or the player quits.
  void PlayGame();
  // While the screen is locked, a game holds its clock and timers; it goes on after the unlock.
  void WaitWhileLocked();
  // The gun's tick, every 100 ms: touches along the pointer's path, firing, Escape.
  void MouseTimerEvent();
  // The pointer in playfield pixels; P is left unchanged when the pointer can't be read.
  void GetGunPos(TPoint& p) const;
  // Reads the gun anew for the sprites (GunPos) and returns it: where the pointer is, or
  // where it was last known when it cannot be read (on another screen, say).
  TPoint ReadGunPos();
  void AddPoints(int32_t n);
  // The player is touched at P: a life is lost unless a death or a power mode runs.
  void LoseLife(TPoint p);
  bool CanShoot() const;
  void Shoot();
  void DrawShotFlash();
  // The flash picture at S times its size centred on P, onto the playfield.
  void DrawLaser(TPoint p, double s);
  // Builds the next level when the current one is over.
  void NextLevel();
  // The current level goes, after the sprites made from its kinds.
  void EndLevel();
  void ClearPlayfield();
  // Takes what the playfield says it drew into MaySet and SinceCompared.
  void TakeDrawn();
  // The screen rectangle of the QUIT label.
  void GetQuitRect(TRect& r) const;
  // One frame of play, from the level step to the picture on the screen.
  void PlayFrame();
  // Enlarges the playfield onto the screen picture and puts that on the screen.
  void ComposeFrame();

  // The head-up display, in the sprite font.
  void DrawText(int x, int y, const std::string& text, int v);
  void DrawNumber(int x, int y, int32_t value, int digits);
  // Lines separated by character 0, centred; the last line at half the playfield height.
  void DrawMessage(const std::string& text, int v);
  void DrawHud();

  // The gun cursor: chooses the cursor for the gun's state and ends the power modes.
  void UpdateCursor();
  // Gives the desktop its own cursors back.
  void RestoreCursors();

  // What the sprites ask of the game.
  bool IsGameOver() const override { return GameOver; }
  TPoint GunPos() const override { return FrameGunPos; }
  bool IsPlayerDying() const override { return DeathStamp != 0; }
  void ScoreKill(int32_t points) override { AddPoints(points); }
  void LaunchMissile(std::unique_ptr<TSprite> missile) override;
  bool InBlastArea(const TRect& r) const override;
  const TBitmap32& Playfield() const override { return PlayfieldImage->Bitmap; }
  TDrawScale LevelScale() const override;
  int32_t FireChance() const override;
  bool MaySpawn(int count) const override;
  void SpriteLeft() override;
  // What attackers, bonuses and levels ask of it.
  TLevel* CurrentLevel() const override { return Level.get(); }
  // Plays a sound cue unless it was started in the current 200 ms window.
  void PlayCue(const std::string& name) override { Cues.Play(name); }
  bool InPowerMode() const override;
  bool InKickMode() const override { return KickStamp != 0; }
  TPoint GunTrailStart() const override;
  TBonusList& Bonuses() override { return *BonusList; }
  void AddBonusPoints(int32_t points) override;
  void StartInvincible() override;
  void StartKick() override;
  void DropBomb(TPoint p) override;
  void CountKill() override { ++Statistics.Kills; }
  void CountBonus() override { ++Statistics.BonusesCollected; }

  TBitmap32& Playfield() { return PlayfieldImage->Bitmap; }
  TBitmap32& ScreenPicture() { return ScreenImage->Bitmap; }
  TPlatformWindow& Window() { return *GameWindow; }

  bool Quit = false;
  std::unique_ptr<TMonsterList> MonsterList;
  std::unique_ptr<TBonusList> BonusList;
  std::unique_ptr<TBombList> BombList;
  std::unique_ptr<THitList> MissileList;
  int32_t Score = 0;
  int32_t NextLifeScore = 0;
  int32_t HighScore = 0;
  double ShotScale = 0;
  TPoint LastGunPos;
  TPoint ShotPoint;
  std::unique_ptr<TLevel> Level;
  int32_t LevelNumber = 0;
  int32_t Lives = 0;
  uint32_t ShotStamp = 0;
  uint32_t GameOverStamp = 0;
  std::string CursorName;
  bool GameOver = false;
  // The gun as last read (ReadGunPos): what the sprites see.
  TPoint FrameGunPos;
  std::unique_ptr<TSpriteFont> Font;
  uint32_t FlashStamp = 0;
  uint32_t DeathStamp = 0;
  TPoint DeathPoint;
  uint32_t ExtraLifeStamp = 0;
  uint32_t KickStamp = 0;
  uint32_t InvincibleStamp = 0;
  uint32_t BlinkStamp = 0;
  TCueGuard Cues;
  std::unique_ptr<TImage32> PlayfieldImage;
  std::unique_ptr<TImage32> ScreenImage;
  // Only the parts of the playfield that changed since the last frame are enlarged
  // onto the screen picture and sent to the window again.
  TChangedAreas ChangedAreas;
  // The playfield names every rectangle drawn on it into DrawnNow. MaySet: where it may
  // not be black (drawn since last cleared there); SinceCompared: where it may differ
  // from the frame last enlarged (drawn or cleared since). A frame clears and compares
  // only those places, not the whole playfield.
  std::vector<TRect> DrawnNow, MaySet, SinceCompared;
  std::unique_ptr<TBitmap32> LevelFlagBitmap;
  std::unique_ptr<TBitmap32> ExplodeBitmap;
  std::unique_ptr<TBitmap32> LifeBitmap;
  std::unique_ptr<TBitmap32> LaserBitmap;
  std::unique_ptr<TPointList> GunTrail;
  int32_t Cycle = 0;
  bool ShowPlayHint = false;
  TPlayStatistics Statistics;
  // The menu between games, with the program's high-score table.
  std::unique_ptr<TMenuForm> Menu;

 private:
  void WalkGunPath(TPoint& p);
  bool TouchAttackerAt(TPoint point, TPoint& p);
  void TouchAt(TPoint p);
  void FollowScreenSize();
  void EndGame();

  std::unique_ptr<TGraphicSpriteForm> SpriteForm;
  std::unique_ptr<TGraphicSpriteForm2> SpriteForm2;
  std::unique_ptr<TPlatformWindow> GameWindow;
  std::unique_ptr<TTimer> MouseTimer;
  std::unique_ptr<TTimer> WaveTimer;
  // The size of the window's picture: the design size until the window covers the screen.
  int WorldImageWidth = DesignClientWidth;
  int WorldImageHeight = DesignClientHeight;
};
