// TSprite, every moving object of the game, and TSpriteList, the owning list that
// moves, draws, removes and spawns them.
#pragma once

#include <array>
#include <memory>

#include "sprites/Bitmap32.h"
#include "sprites/GraphicSprite.h"
#include "sprites/SpriteWorld.h"
#include "support/Geometry.h"
#include "support/ObjectLists.h"

// A firing sprite shows its firing frame this long before the missile leaves.
constexpr uint32_t FireWindUpMs = 800;
// The blue tint of a hit sprite alternates with its own colours in steps of this length.
constexpr uint32_t FlashStepMs = 50;
constexpr uint32_t FlashLengthMs = 500;
// A flung sprite grows by FlungGrowth every FlungStepMs and is finished beyond these.
constexpr uint32_t FlungStepMs = 30;
constexpr double FlungGrowth = 3.0;
constexpr double FlungMaxScale = 20;
constexpr int FlungMaxWidth = 2000;
// The gun's hot box reaches this far right of and below the gun position.
constexpr int GunBoxRight = 5;
constexpr int GunBoxBottom = 8;

using TAnimations = std::array<std::unique_ptr<TAnimateArrClass>, AnimationSlots>;

class TSprite {
 public:
  // A sprite of Kind in World with its top-left corner at (X, Y); neither is owned.
  TSprite(TSpriteWorld& world, TGraphicSprite* kind, int x, int y);
  virtual ~TSprite();
  TSprite(const TSprite&) = delete;
  TSprite& operator=(const TSprite&) = delete;

  // One move step: the velocity is added, unless the sprite is dying and not flung.
  virtual void Move();
  // Advances the frame when its interval has passed and draws it onto Bitmap.
  virtual void Draw(TBitmap32& bitmap);
  // The facing slot 0 to 7 to draw.
  virtual int ChooseAnimation();
  // False while the player's death explosion runs.
  virtual bool IsHittable();
  // The sprite's own frame sets when it has them, else its kind's.
  const TAnimations& GetAnimations() const;
  // The death frames, or none.
  const TAnimateArrClass* GetDeathAnimation() const;
  // The sprite has left by itself and is to be removed.
  virtual bool IsGone();
  // Takes one hit; true when the sprite is now dying.
  virtual bool Hit();

  // The per-pixel callback of WorkBitmap: transparent 0, else a copy, tinted blue
  // in every second 50 ms step of a hit flash.
  void FlashCombine(TColor32 f, TColor32& b, TColor32 m);
  // The firing step after each move: starts the wind-up by chance, launches later.
  void TryFire();
  bool IsFinished();
  // Where the last drawn frame lies on the playfield.
  TRect GetBounds() const;
  // An opaque pixel of the last drawn frame lies in the gun's hot box at P.
  bool HitsPoint(TPoint p);
  // An opaque pixel of the last drawn frame lies on a non-zero playfield pixel,
  // within the area of the shot flash or a bomb blast.
  bool TouchesBlast();

  TSpriteWorld& World;
  TGraphicSprite* Kind = nullptr;
  TAnimations OwnAnimations;
  std::unique_ptr<TAnimateArrClass> OwnDeathFrames;
  double X = 0;
  double Y = 0;
  double Speed = 2.0;
  int32_t FrameIndex = 0;
  uint32_t FlungTime = 0;
  uint32_t MoveTime = 0;
  int32_t MoveInterval = 0;
  uint32_t FrameTime = 0;
  int32_t SteerInterval = 0;
  uint32_t LastSteer = 0;
  uint32_t FireTime = 0;
  uint32_t FlashTime = 0;
  double DX = 0;
  double DY = 0;
  bool Dying = false;
  bool Flashing = false;
  double Scale = 1.0;
  int32_t InitialHitPoints = 0;
  int32_t HitPoints = 1;
  std::unique_ptr<TBitmap32> WorkBitmap;

 protected:
  // A sprite without a kind and without a work bitmap (the bomb's blast).
  explicit TSprite(TSpriteWorld& world);

 private:
  void DrawFrame(const TBitmap32& frame, int width, int height);
  // Draws the work bitmap at (X, Y) as its per-pixel callback would, without calling it per pixel.
  void DrawWorkBitmap(TBitmap32& bitmap, int x, int y);
};

class TSpriteList : public TCustomObjectList<TSprite> {
 public:
  // The sprites of World draw into Bitmap; the list owns neither.
  TSpriteList(TBitmap32* bitmap, TSpriteWorld& world) : Bitmap(bitmap), World(world) {}

  virtual void MoveAll();
  // Living sprites first, then the dying ones on top.
  virtual void DrawAll();
  // Removes finished sprites, then gone ones.
  virtual void RemoveFinished();
  virtual void SpawnNew() {}
  // Moves and draws everything, then spawns when the level allows; removes nothing.
  virtual void Update();

  void RemoveGone();
  // RemoveFinished, unless the game is over.
  void RemoveFinishedWhilePlaying();
  // The first sprite that is not dying and whose opaque pixels lie under the gun at (X, Y).
  TSprite* FindAt(int x, int y);
  int CountOfKind(const TGraphicSprite* kind) const;

  TBitmap32* Bitmap;
  TSpriteWorld& World;

 private:
  void DrawOne(TSprite& sprite);
};
