// TWorldForm: the full-screen game window, its play state, and the outer loop of games.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Platform.h"
#include "sprites/Bitmap32.h"
#include "sprites/GraphicSpriteForm.h"
#include "support/Geometry.h"
#include "support/ObjectLists.h"

// The playfield is the screen divided by this factor; the screen shows it enlarged.
constexpr double ScreenToPlayfield = 2.5;
constexpr uint32_t FrameIntervalMs = 30;
constexpr uint32_t BringToFrontIntervalMs = 1800;
constexpr uint32_t MouseTimerIntervalMs = 100;
constexpr uint32_t WaveTimerIntervalMs = 200;
constexpr int StartLives = 3;
constexpr int32_t ExtraLifeStep = 3000;
// The window's size as designed, before it is made to cover the screen.
constexpr int DesignClientWidth = 591;
constexpr int DesignClientHeight = 481;

class TWorldForm {
 public:
  TWorldForm();
  ~TWorldForm();
  TWorldForm(const TWorldForm&) = delete;
  TWorldForm& operator=(const TWorldForm&) = delete;

  // Sets up the window and everything a game needs. Runs twice: the first run makes
  // the window cover the screen, so the second sizes the playfield from the screen.
  void InitWorld();
  // Games, one after the other, until the player quits.
  void RunGame();
  // Makes the whole window see-through.
  void ClearWorldImage();

  void ResetGame();
  // Runs one game until it is over or the player quits.
  void PlayGame();
  void MouseTimerEvent();
  void TWaveTimerEvent();
  // The pointer in playfield pixels; P is left unchanged when the pointer can't be read.
  void GetGunPos(TPoint& p) const;
  void ClearPlayfield();
  // Enlarges the playfield onto the screen picture and puts that on the screen.
  void ComposeFrame();

  TBitmap32& Playfield() { return PlayfieldImage->Bitmap; }
  TBitmap32& ScreenPicture() { return ScreenImage->Bitmap; }
  TPlatformWindow& Window() { return *GameWindow; }

  bool Quit = false;
  int32_t Score = 0;
  int32_t NextLifeScore = 0;
  int32_t HighScore = 0;
  double ShotScale = 0;
  TPoint LastGunPos;
  TPoint ShotPoint;
  int32_t LevelNumber = 0;
  int32_t Lives = 0;
  uint32_t ShotStamp = 0;
  uint32_t GameOverStamp = 0;
  std::string CursorName;
  bool GameOver = false;
  uint32_t FlashStamp = 0;
  uint32_t DeathStamp = 0;
  TPoint DeathPoint;
  uint32_t ExtraLifeStamp = 0;
  uint32_t KickStamp = 0;
  uint32_t InvincibleStamp = 0;
  uint32_t BlinkStamp = 0;
  std::unique_ptr<TCustomStringList> PlayedCues;
  std::unique_ptr<TImage32> PlayfieldImage;
  std::unique_ptr<TImage32> ScreenImage;
  std::unique_ptr<TBitmap32> LevelFlagBitmap;
  std::unique_ptr<TBitmap32> ExplodeBitmap;
  std::unique_ptr<TBitmap32> LifeBitmap;
  std::unique_ptr<TBitmap32> LaserBitmap;
  std::unique_ptr<TPointList> GunTrail;
  int32_t Cycle = 0;
  bool ShowPlayHint = false;

 private:
  void RunFrame(uint32_t& frontClock);
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

// The one game window of the program; the subsystems reach the play state through it.
extern TWorldForm* WorldForm;
