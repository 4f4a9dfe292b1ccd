// Kinds of sprite: frame sets by facing, death and firing frames, and the parameters
// every sprite of the kind starts from.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "sprites/Bitmap32.h"
#include "sprites/GraphicSpriteForm.h"
#include "support/ObjectLists.h"

// Facing slots of a kind's frame sets (y grows downwards).
enum TFacing : int {
  FacingLeft = 0,
  FacingUp = 1,
  FacingRight = 2,
  FacingDown = 3,
  FacingUpLeft = 4,
  FacingUpRight = 5,
  FacingDownRight = 6,
  FacingDownLeft = 7,
};
constexpr int AnimationSlots = 8;

using TPictures = std::vector<const TImage*>;

// One frame set: the frames in playing order.
class TAnimateArrClass {
 public:
  std::vector<std::unique_ptr<TBitmap32>> Frames;
  // Milliseconds per frame; 0 means the kind's FrameInterval.
  int32_t Interval = 0;

  int Count() const { return static_cast<int>(Frames.size()); }
  TBitmap32& Frame(int index) const { return *Frames.at(static_cast<size_t>(index)); }
};

class TGraphicSpriteList;

class TGraphicSprite {
 public:
  // Slot 0 from Pictures (facing left), slot 2 its mirror, the death frames from DeathPictures.
  TGraphicSprite(const TPictures& pictures, const TPictures& deathPictures);
  // As above, with ColourFrom replaced by ColourTo in every frame built with recolouring.
  TGraphicSprite(const TPictures& pictures, const TPictures& deathPictures, TColor32 colourFrom, TColor32 colourTo);
  virtual ~TGraphicSprite();
  TGraphicSprite(const TGraphicSprite&) = delete;
  TGraphicSprite& operator=(const TGraphicSprite&) = delete;

  // Target becomes a new set with one frame per picture, recoloured when asked.
  void BuildFrames(std::unique_ptr<TAnimateArrClass>& target, const TPictures& pictures, bool recolour) const;
  void FreeAnimation(int slot);
  // Slot To becomes a deep copy of slot From, with Interval 0; absent when From is absent.
  void CopyAnimation(int from, int to);
  // Copies, then mirrors every frame left to right.
  void MirrorAnimation(int from, int to);
  // Copies, then turns every frame upside down.
  void FlipAnimation(int from, int to);
  // Copies, then turns every frame a quarter: counter-clockwise for slot 3 (down),
  // clockwise for any other slot, so that the left-facing slot 0 gives up and down.
  void RotateAnimation(int from, int to);
  // Slots 1 and 3 from slot 0.
  void AddVerticalAnimations();
  // Slot 4 from the up-left pictures; 5 its mirror, 7 it upside down, 6 slot 5 upside down.
  void SetDiagonalImages(const TPictures& pictures);
  // Over every frame of the present slots 0 to 7; death and firing frames are not touched.
  void ReplaceColourAll(TColor32 from, TColor32 to);
  void SwapColoursAll(TColor32 a, TColor32 b);

  bool HasAnimation(int slot) const { return Animations.at(static_cast<size_t>(slot)) != nullptr; }

  std::array<std::unique_ptr<TAnimateArrClass>, AnimationSlots> Animations;
  std::unique_ptr<TAnimateArrClass> DeathFrames;
  std::unique_ptr<TAnimateArrClass> FiringFrames;
  int32_t ScoreFactor = 0;
  double Speed = 1.0;
  int32_t MoveInterval = 20;
  int32_t FrameInterval = 200;
  int32_t DeathFrameInterval = 200;
  std::unique_ptr<TGraphicSpriteList> MissileKinds;
  TColor32 ColourFrom = 0;
  TColor32 ColourTo = 0;
  int32_t HitPoints = 1;
  int32_t MaxAlive = 0;

 private:
  void Construct(const TPictures& pictures, const TPictures& deathPictures);
  template <typename TChange>
  void TransformAnimation(int from, int to, TChange change);
};

// An owning list of kinds.
class TGraphicSpriteList : public TCustomObjectList<TGraphicSprite> {};
