// Moving, facing, animating, flashing, dying, firing and the pixel-exact hit tests.
#include "sprites/Sprite.h"

#include <algorithm>

#include "sprites/Missiles.h"
#include "sprites/Resampler.h"
#include "support/MessageDialog.h"
#include "support/Random.h"
#include "support/Timing.h"

namespace {

// Slot by the signs of DX (rows) and DY (columns), each -1, 0 or +1.
constexpr int StraightFacing[3][3] = {{0, 0, 0}, {1, 0, 3}, {2, 2, 2}};
constexpr int DiagonalFacing[3][3] = {{4, 0, 7}, {1, 0, 3}, {5, 2, 6}};
// Beyond this distance on both axes from the gun a sprite may face diagonally.
constexpr int DiagonalDistance = 80;

int SignIndex(double v) { return v > 0 ? 2 : v < 0 ? 0 : 1; }

const TAnimations& NoAnimations() {
  static const TAnimations none;
  return none;
}

// The work bitmap's per-pixel callback. A type of its own, so that a draw can tell
// the callback is still the sprite's and combine whole rows the same way instead.
struct TFlashCallback {
  TSprite* Sprite;
  void operator()(TColor32 f, TColor32& b, TColor32 m) const { Sprite->FlashCombine(f, b, m); }
};

// The blue tint of a hit flash.
TColor32 FlashTint(TColor32 f) {
  const int red = std::max(RedComponent(f) - 100, 0);
  const int green = std::max(GreenComponent(f) - 100, 0);
  return Color32(static_cast<uint8_t>(red), static_cast<uint8_t>(green), 255, 0);
}

}  // namespace

TSprite::TSprite(TSpriteWorld& world) : World(world) {}

TSprite::TSprite(TSpriteWorld& world, TGraphicSprite* kind, int x, int y) : World(world), Kind(kind), X(x), Y(y) {
  Speed = 2.0;
  HitPoints = 1;
  if (Kind != nullptr) {
    Speed = Kind->Speed;
    HitPoints = Kind->HitPoints;
    MoveInterval = Kind->MoveInterval;
  }
  const TAnimateArrClass* first = GetAnimations()[FacingLeft].get();
  FrameIndex = first != nullptr ? Random(first->Count()) : 0;
  Scale = 1.0;
  WorkBitmap = std::make_unique<TBitmap32>();
  if (first != nullptr && first->Count() > 0) WorkBitmap->Assign(first->Frame(0));
  WorkBitmap->DrawMode = TDrawMode::Custom;
  WorkBitmap->OnPixelCombine = TFlashCallback{this};
  InitialHitPoints = HitPoints;
}

TSprite::~TSprite() = default;

void TSprite::Move() {
  if (Dying && FlungTime == 0) return;
  X += DX;
  Y += DY;
}

int TSprite::ChooseAnimation() {
  const TAnimations& animations = GetAnimations();
  int facing = 0;
  if (LastSteer != 0 || World.IsGameOver()) {
    facing = StraightFacing[SignIndex(DX)][SignIndex(DY)];
  } else {
    const TPoint gun = World.GunPos();
    const int dx = Round(X) - gun.X;
    const int dy = Round(Y) - gun.Y;
    facing = std::abs(dx) > std::abs(dy) ? StraightFacing[SignIndex(DX)][1] : StraightFacing[1][SignIndex(DY)];
    if (std::abs(dx) > DiagonalDistance && std::abs(dy) > DiagonalDistance) {
      const int diagonal = DiagonalFacing[SignIndex(DX)][SignIndex(DY)];
      if (animations[static_cast<size_t>(diagonal)]) facing = diagonal;
    }
  }
  if (!animations[static_cast<size_t>(facing)]) facing = 0;
  return facing;
}

bool TSprite::IsHittable() { return !World.IsPlayerDying(); }

const TAnimations& TSprite::GetAnimations() const {
  if (OwnAnimations[0]) return OwnAnimations;
  return Kind != nullptr ? Kind->Animations : NoAnimations();
}

const TAnimateArrClass* TSprite::GetDeathAnimation() const {
  if (OwnDeathFrames) return OwnDeathFrames.get();
  return Kind != nullptr ? Kind->DeathFrames.get() : nullptr;
}

bool TSprite::IsGone() { return false; }

void TSprite::Draw(TBitmap32& bitmap) {
  const bool flung = FlungTime != 0;
  // A flung sprite is done once it is that large. Nothing removes it while the game is
  // over, so it neither grows nor shows any more.
  if (flung && IsFinished()) return;
  const int facing = ChooseAnimation();
  const TAnimateArrClass* set = nullptr;
  uint32_t interval = 0;
  if (!Dying || flung) {
    set = GetAnimations()[static_cast<size_t>(facing)].get();
    interval = set != nullptr && set->Interval != 0 ? set->Interval : (Kind ? Kind->FrameInterval : 0);
  } else {
    set = GetDeathAnimation();
    interval = Kind != nullptr ? Kind->DeathFrameInterval : 0;
  }
  const int count = set != nullptr ? set->Count() : 0;
  if (IntervalRestart(FrameTime, interval)) ++FrameIndex;
  if (FrameIndex > count - 1) {
    FrameIndex = 0;
    // A death plays once and stays on its last frame.
    if (Dying && !flung) FrameIndex = count - 1;
  }
  if (FrameIndex < 0) return;

  if (flung && count > 0) {
    const TBitmap32& frame = set->Frame(FrameIndex);
    if (IntervalRestart(FlungTime, FlungStepMs)) {
      Scale += FlungGrowth;
      X -= FlungGrowth * frame.Width() / 2;
      Y -= FlungGrowth * frame.Height() / 2;
    }
    DrawFrame(frame, Round(frame.Width() * Scale), Round(frame.Height() * Scale));
  } else if (count > 0) {
    const bool firing = FireTime != 0 && Kind != nullptr && Kind->FiringFrames && Kind->FiringFrames->Count() > 0;
    const TBitmap32& frame = firing ? Kind->FiringFrames->Frame(0) : set->Frame(FrameIndex);
    const TDrawScale scale = World.LevelScale();
    DrawFrame(frame, Round(frame.Width() * scale.X), Round(frame.Height() * scale.Y));
  } else {
    WorkBitmap->Clear(0);
  }
  DrawWorkBitmap(bitmap, Round(X), Round(Y));
}

void TSprite::DrawWorkBitmap(TBitmap32& bitmap, int x, int y) {
  const auto* own = WorkBitmap->OnPixelCombine.target<TFlashCallback>();
  if (WorkBitmap->DrawMode != TDrawMode::Custom || own == nullptr || own->Sprite != this) {
    bitmap.Draw(x, y, *WorkBitmap);
    return;
  }
  // FlashCombine for every pixel, a row at a time. Its clock is read once per draw,
  // so a sprite is never tinted in part; the flash ends as it would at the first
  // pixel that is not 0.
  const bool tint = Flashing && (ElapsedSince(FlashTime) / FlashStepMs) % 2 == 1;
  const bool ends = Flashing && !tint && IntervalPassed(FlashTime, FlashLengthMs);
  bool drawn = false;
  bitmap.ForEachDrawnRow(x, y, *WorkBitmap, [&](const TColor32* from, TColor32* to, int count) {
    if (tint) {
      for (int i = 0; i < count; ++i)
        if (from[i] != 0) to[i] = FlashTint(from[i]);
    } else {
      TColor32 any = 0;
      for (int i = 0; i < count; ++i) {
        to[i] = from[i] != 0 ? from[i] : to[i];
        any |= from[i];
      }
      drawn = drawn || any != 0;
    }
  });
  if (ends && drawn) Flashing = false;
}

void TSprite::DrawFrame(const TBitmap32& frame, int width, int height) {
  const bool sameSize = WorkBitmap->Width() == width && WorkBitmap->Height() == height;
  if (frame.Width() == width && frame.Height() == height && frame.DrawMode == TDrawMode::Transparent) {
    // The usual case, in one pass: the frame drawn over a cleared bitmap leaves its
    // own pixels, with its transparent colour as 0.
    if (!sameSize) WorkBitmap->SetSize(width, height);
    const TColor32 key = frame.OuterColor;
    const TColor32* from = frame.Bits();
    TColor32* to = WorkBitmap->Bits();
    for (size_t i = 0, count = static_cast<size_t>(width) * height; i < count; ++i) to[i] = from[i] != key ? from[i] : 0;
    return;
  }
  // Resizing clears the work bitmap, and a same-sized one is cleared: no stale pixels stay.
  if (!sameSize)
    WorkBitmap->SetSize(width, height);
  else
    WorkBitmap->Clear(0);
  WorkBitmap->Draw(WorkBitmap->BoundsRect(), frame.BoundsRect(), frame);
}

void TSprite::FlashCombine(TColor32 f, TColor32& b, TColor32) {
  if (f == 0) return;
  b = f;
  if (!Flashing) return;
  const uint32_t step = ElapsedSince(FlashTime) / FlashStepMs;
  if (step % 2 == 1) {
    b = FlashTint(f);
  } else if (IntervalPassed(FlashTime, FlashLengthMs)) {
    Flashing = false;
  }
}

bool TSprite::Hit() {
  const bool result = !Flashing;
  if (Dying || Flashing) return result;
  --HitPoints;
  if (HitPoints > 0) {
    Flashing = true;
    FlashTime = Now();
    return false;
  }
  Dying = true;
  FrameIndex = 0;
  FrameTime = Now();
  // A kind that scores nothing does not touch the score at all, so that points that
  // bypassed the score checks (a collected bonus) wait for the next kill that scores.
  if (Kind != nullptr && Kind->ScoreFactor * InitialHitPoints != 0) World.ScoreKill(Kind->ScoreFactor * InitialHitPoints);
  if (const TAnimateArrClass* death = GetDeathAnimation(); death != nullptr && death->Count() > 0) {
    X += (WorkBitmap->Width() - death->Frame(0).Width()) / 2.0;
    Y += (WorkBitmap->Height() - death->Frame(0).Height()) / 2.0;
  }
  return true;
}

void TSprite::TryFire() {
  if (Kind == nullptr || Kind->MissileKinds->IsEmpty()) return;
  if (FireTime == 0) {
    const int32_t chance = World.FireChance();
    if (chance > 0 && Random(chance) == 0) FireTime = Now();
    return;
  }
  if (IntervalPassed(FireTime, FireWindUpMs) && !Dying) {
    TGraphicSprite* missileKind = Kind->MissileKinds->Items(Random(Kind->MissileKinds->Count()));
    World.LaunchMissile(std::make_unique<TMissile>(World, missileKind, Round(X), Round(Y)));
    FireTime = 0;
  }
}

bool TSprite::IsFinished() {
  if (!Dying) return false;
  if (FlungTime != 0) return Scale > FlungMaxScale || WorkBitmap->Width() * Scale > FlungMaxWidth;
  const TAnimateArrClass* death = GetDeathAnimation();
  if (Kind == nullptr || death == nullptr || death->Count() == 0) return true;
  return IntervalPassed(FrameTime, Kind->DeathFrameInterval) && FrameIndex >= death->Count() - 1;
}

TRect TSprite::GetBounds() const {
  const int width = WorkBitmap ? WorkBitmap->Width() : 0;
  const int height = WorkBitmap ? WorkBitmap->Height() : 0;
  return {Round(X), Round(Y), Round(X + width), Round(Y + height)};
}

bool TSprite::HitsPoint(TPoint p) {
  if (!IsHittable() || Dying) return false;
  const TRect box{p.X, p.Y, p.X + GunBoxRight, p.Y + GunBoxBottom};
  const TRect r = GetBounds();
  if (!RectsOverlap(r, box)) return false;
  // Only the pixels in both rectangles can answer (the box's edges belong to it).
  const int left = std::max(r.Left, box.Left), right = std::min(r.Right, box.Right + 1);
  const int top = std::max(r.Top, box.Top), bottom = std::min(r.Bottom, box.Bottom + 1);
  for (int i = left; i < right; ++i)
    for (int j = top; j < bottom; ++j)
      if (WorkBitmap->PixelS(i - r.Left, j - r.Top) != 0) return true;
  return false;
}

bool TSprite::TouchesBlast() {
  const TRect r = GetBounds();
  if (!World.InBlastArea(r)) return false;
  const TBitmap32& playfield = World.Playfield();
  for (int i = r.Left; i < r.Right; ++i)
    for (int j = r.Top; j < r.Bottom; ++j)
      if (WorkBitmap->PixelS(i - r.Left, j - r.Top) != 0 && playfield.PixelS(i, j) != 0) return true;
  return false;
}

void TSpriteList::MoveAll() {
  const int count = Count();
  for (int i = 0; i < count && i < Count(); ++i) {
    TSprite* sprite = Items(i);
    if (!IntervalRestart(sprite->MoveTime, static_cast<uint32_t>(sprite->MoveInterval))) continue;
    sprite->Move();
    if (!World.IsGameOver()) sprite->TryFire();
  }
}

void TSpriteList::DrawAll() {
  const int count = Count();
  for (int i = 0; i < count; ++i)
    if (!Items(i)->Dying) DrawOne(*Items(i));
  for (int i = 0; i < count; ++i)
    if (Items(i)->Dying) DrawOne(*Items(i));
}

void TSpriteList::DrawOne(TSprite& sprite) {
  try {
    sprite.Draw(*Bitmap);
  } catch (const std::exception&) {
    // The player is told, and the rest of the frame is drawn as usual.
    ShowMessageDialog("Draw Error", MessageKindError);
  }
}

void TSpriteList::RemoveFinished() {
  for (int i = 0; i < Count();) {
    if (Items(i)->IsFinished())
      Delete(i);
    else
      ++i;
  }
  RemoveGone();
}

void TSpriteList::RemoveGone() {
  for (int i = 0; i < Count();) {
    if (!Items(i)->IsGone()) {
      ++i;
      continue;
    }
    World.SpriteLeft();
    Delete(i);
  }
}

void TSpriteList::Update() {
  MoveAll();
  DrawAll();
  if (!World.IsGameOver() && World.MaySpawn(Count())) SpawnNew();
}

void TSpriteList::RemoveFinishedWhilePlaying() {
  if (!World.IsGameOver()) RemoveFinished();
}

TSprite* TSpriteList::FindAt(int x, int y) {
  for (int i = 0; i < Count(); ++i) {
    TSprite* sprite = Items(i);
    if (!sprite->Dying && sprite->HitsPoint({x, y})) return sprite;
  }
  return nullptr;
}

int TSpriteList::CountOfKind(const TGraphicSprite* kind) const {
  int count = 0;
  for (int i = 0; i < Count(); ++i) count += Items(i)->Kind == kind;
  return count;
}
