// Building a kind's frame sets.
#include "sprites/GraphicSprite.h"

#include "sprites/GraphicsTools.h"
#include "sprites/Resampler.h"

TGraphicSprite::TGraphicSprite(const TPictures& pictures, const TPictures& deathPictures) {
  Construct(pictures, deathPictures);
}

TGraphicSprite::TGraphicSprite(const TPictures& pictures, const TPictures& deathPictures, TColor32 colourFrom,
                               TColor32 colourTo)
    : ColourFrom(colourFrom), ColourTo(colourTo) {
  Construct(pictures, deathPictures);
}

TGraphicSprite::~TGraphicSprite() = default;

void TGraphicSprite::Construct(const TPictures& pictures, const TPictures& deathPictures) {
  FrameInterval = 200;
  BuildFrames(Animations[FacingLeft], pictures, true);
  BuildFrames(DeathFrames, deathPictures, false);
  MissileKinds = std::make_unique<TGraphicSpriteList>();
  MirrorAnimation(FacingLeft, FacingRight);
  Speed = 1.0;
  DeathFrameInterval = FrameInterval;
  MoveInterval = 20;
  HitPoints = 1;
  MaxAlive = 0;
}

void TGraphicSprite::BuildFrames(std::unique_ptr<TAnimateArrClass>& target, const TPictures& pictures,
                                 bool recolour) const {
  target = std::make_unique<TAnimateArrClass>();
  for (const TImage* picture : pictures) {
    auto frame = recolour ? BitmapFromImage(*picture, ColourFrom, ColourTo) : BitmapFromImage(*picture, 0, 0);
    frame->SetResampler(std::make_unique<TLinearResampler>());
    target->Frames.push_back(std::move(frame));
  }
}

void TGraphicSprite::FreeAnimation(int slot) { Animations.at(static_cast<size_t>(slot)).reset(); }

void TGraphicSprite::CopyAnimation(int from, int to) {
  FreeAnimation(to);
  const TAnimateArrClass* source = Animations.at(static_cast<size_t>(from)).get();
  if (source == nullptr) return;
  auto copy = std::make_unique<TAnimateArrClass>();
  for (const auto& frame : source->Frames) {
    auto duplicate = std::make_unique<TBitmap32>();
    duplicate->Assign(*frame);
    copy->Frames.push_back(std::move(duplicate));
  }
  Animations.at(static_cast<size_t>(to)) = std::move(copy);
}

template <typename TChange>
void TGraphicSprite::TransformAnimation(int from, int to, TChange change) {
  CopyAnimation(from, to);
  if (const TAnimateArrClass* slot = Animations.at(static_cast<size_t>(to)).get())
    for (const auto& frame : slot->Frames) change(*frame);
}

void TGraphicSprite::MirrorAnimation(int from, int to) {
  TransformAnimation(from, to, [](TBitmap32& frame) { frame.MirrorLeftRight(); });
}

void TGraphicSprite::FlipAnimation(int from, int to) {
  TransformAnimation(from, to, [](TBitmap32& frame) { frame.MirrorTopBottom(); });
}

void TGraphicSprite::RotateAnimation(int from, int to) {
  if (to == FacingDown)
    TransformAnimation(from, to, [](TBitmap32& frame) { frame.TurnCounterClockwise(); });
  else
    TransformAnimation(from, to, [](TBitmap32& frame) { frame.TurnClockwise(); });
}

void TGraphicSprite::AddVerticalAnimations() {
  RotateAnimation(FacingLeft, FacingUp);
  RotateAnimation(FacingLeft, FacingDown);
}

void TGraphicSprite::SetDiagonalImages(const TPictures& pictures) {
  BuildFrames(Animations[FacingUpLeft], pictures, true);
  MirrorAnimation(FacingUpLeft, FacingUpRight);
  FlipAnimation(FacingUpLeft, FacingDownLeft);
  FlipAnimation(FacingUpRight, FacingDownRight);
}

void TGraphicSprite::ReplaceColourAll(TColor32 from, TColor32 to) {
  for (const auto& slot : Animations)
    if (slot)
      for (const auto& frame : slot->Frames) ReplaceColour(*frame, from, to);
}

void TGraphicSprite::SwapColoursAll(TColor32 a, TColor32 b) {
  for (const auto& slot : Animations)
    if (slot)
      for (const auto& frame : slot->Frames) SwapColours(*frame, a, b);
}
