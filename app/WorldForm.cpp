// The game window: set-up, the outer loop, the play loop's pacing and the frame composition.
//
// How a frame reaches the screen: everything is drawn into the small playfield
// (the screen size divided by 2.5), which is then enlarged with bilinear filtering
// onto the screen-sized picture and handed to the platform window. That window
// covers the whole desktop, and only what the game draws appears over the user's
// windows: the playfield's pure black covers nothing, every other colour covers its
// place, and the enlargement filters that coverage with the colours into the
// picture's alpha. The picture is thus premultiplied ARGB, and a sprite's edge is a
// partly covered pixel of the sprite's own colour, not a mix with black: over the
// desktop it fades into what lies beneath instead of showing a dark rim.
#include "app/WorldForm.h"

#include <algorithm>

#include "game/Bonuses.h"
#include "game/Level.h"
#include "game/Monsters.h"
#include "menu/MenuForm.h"
#include "platform/Coverage.h"
#include "platform/Memory.h"
#include "sprites/GraphicsTools.h"
#include "sprites/Resampler.h"
#include "support/InputPolling.h"
#include "support/Random.h"
#include "support/Timing.h"
#include "support/Xml.h"

TWorldForm::TWorldForm()
    : GameWindow(CurrentPlatform().CreateWindow(TWindowKind::Overlay)),
      MouseTimer(std::make_unique<TTimer>(MouseTimerIntervalMs, [this] { MouseTimerEvent(); })),
      WaveTimer(std::make_unique<TTimer>(WaveTimerIntervalMs, [this] { TWaveTimerEvent(); })) {}

TWorldForm::~TWorldForm() {
  // The sprites refer to the level's kinds: they go first.
  MonsterList.reset();
  BonusList.reset();
  BombList.reset();
  MissileList.reset();
  Level.reset();
  if (GraphicSpriteForm == SpriteForm.get()) GraphicSpriteForm = nullptr;
}

void TWorldForm::InitWorld() {
  ShowPlayHint = true;
  // The game's files lie in the program's own folder; an installed game keeps them in the
  // player's data folder instead.
  SubFolder.clear();

  // The second run replaces the first run's objects; nothing refers to those by then.
  SpriteForm = std::make_unique<TGraphicSpriteForm>();
  GraphicSpriteForm = SpriteForm.get();
  SpriteForm2 = std::make_unique<TGraphicSpriteForm2>();

  PlayfieldImage = std::make_unique<TImage32>();
  TBitmap32& playfield = PlayfieldImage->Bitmap;
  DrawnNow.clear();
  MaySet.clear();
  SinceCompared.clear();
  playfield.LogDraws(&DrawnNow);
  playfield.SetSize(Round(WorldImageWidth / ScreenToPlayfield), Round(WorldImageHeight / ScreenToPlayfield));
  // Custom mode without a callback: the playfield is drawn onto the screen opaquely.
  playfield.DrawMode = TDrawMode::Custom;
  playfield.SetResampler(std::make_unique<TMyLinearResampler>(TAlphaRule::Coverage));

  ScreenImage = std::make_unique<TImage32>();
  ScreenImage->Bitmap.SetSize(WorldImageWidth, WorldImageHeight);
  ScreenImage->Bitmap.DrawMode = TDrawMode::Transparent;

  const TScreenSize screen = CurrentPlatform().ScreenSize();
  GameWindow->SetBounds(0, 0, screen.Width, screen.Height);
  GameWindow->Show();
  WorldImageWidth = screen.Width;
  WorldImageHeight = screen.Height;
  ClearWorldImage();
  // Until the pointer has been read, the gun is taken to be in the middle.
  FrameGunPos = {playfield.Width() / 2, playfield.Height() / 2};

  Cues.NewWindow();
  MonsterList = std::make_unique<TMonsterList>(&playfield, *this);
  BonusList = std::make_unique<TBonusList>(&playfield, *this);
  BombList = std::make_unique<TBombList>(&playfield, *this);
  MissileList = std::make_unique<THitList>(&playfield, *this);
  GunTrail = std::make_unique<TPointList>();
  LevelNumber = 0;
  ShotStamp = 0;

  // The table is read once: the second run's menu takes over the first's (and no
  // message about the file is shown twice).
  std::unique_ptr<THiScoreList> table = Menu ? std::move(Menu->HiScoreList) : nullptr;
  Menu.reset();  // the first run's menu goes before the font it writes with
  Font = std::make_unique<TSpriteFont>(*SpriteForm);
  Menu = std::make_unique<TMenuForm>(*Font, std::move(table));
  Menu->HiScoreList->TopScore = Menu->HiScoreList->Items(0)->Score;

  LifeBitmap = BitmapFromImage(SpriteForm->LiveImage);
  LaserBitmap = BitmapFromImage(SpriteForm->LaserImage);
  ExplodeBitmap = BitmapFromImage(SpriteForm->DonkeyKongExplodeImage);
  // The death's blast grows to dozens of times its size. Filtered with its coverage and
  // laid down where it covers at least half, in its own colours, its edges and sparks
  // stay its colours instead of fading through black into dark tiles. Drawn after the
  // play of the frame, it decides nothing.
  ExplodeBitmap->SetResampler(std::make_unique<TLinearResampler>(TAlphaRule::Coverage));
  ExplodeBitmap->DrawMode = TDrawMode::Custom;
  ExplodeBitmap->OnPixelCombine = [](TColor32 f, TColor32& b, TColor32) {
    if (!InShape(f)) return;
    ShapedFromPremultiplied(&f, &f, 1);
    b = f & 0x00FFFFFFu;  // the playfield's colours carry no alpha of their own
  };
  LevelFlagBitmap = BitmapFromImage(SpriteForm->LevelFlagImage);
}

void TWorldForm::RunGame() {
  while (!Quit) {
    ResetGame();
    PlayGame();
    // The gun's and the cues' timers rest while the menu shows: they have nothing to do
    // there but ask the display where the pointer and the focus are. They start afresh
    // with the next game, which forgets every press made before it anyway.
    PauseGameTimers(true);
    // A game left with QUIT or Escape offers no score to the table.
    Quit = Menu->RunMenu(Quit ? -1 : Score);
    PauseGameTimers(false);
  }
}

void TWorldForm::PauseGameTimers(bool paused) {
  MouseTimer->SetEnabled(!paused);
  WaveTimer->SetEnabled(!paused);
}

void TWorldForm::ClearWorldImage() {
  TBitmap32& picture = ScreenPicture();
  ChangedAreas.Forget();
  if (picture.Width() == WorldImageWidth && picture.Height() == WorldImageHeight) {
    picture.Clear(0);
    GameWindow->Present(picture.View());
    return;
  }
  // Only during set-up, before the screen picture has the window's size. A new
  // surface is all 0: nothing covered.
  TBitmap32 empty;
  empty.SetSize(WorldImageWidth, WorldImageHeight);
  GameWindow->Present(empty.View());
}

void TWorldForm::TWaveTimerEvent() {
  Cues.NewWindow();
  if (!CurrentPlatform().IsApplicationActive()) CurrentPlatform().BringToFront();
}

void TWorldForm::PlayGame() {
  // Shown first: the desktop may give the game another screen when it starts.
  GameWindow->Show();
  FollowScreenSize();
  // The click or key that closed the menu or a message must not fire or quit here.
  ForgetPresses();
  LastGunPos = ReadGunPos();
  ClearPlayfield();

  uint32_t frameClock = 0;
  uint32_t frontClock = 0;
  while (!Quit && !(GameOver && GameOverStamp == 0)) {
    ProcessMessagesSafe();
    if (CurrentPlatform().ScreenLocked()) {
      WaitWhileLocked();
      continue;
    }
    if (IntervalRestart(frameClock, FrameIntervalMs)) {
      if (IntervalRestart(frontClock, BringToFrontIntervalMs)) CurrentPlatform().BringToFront();
      // A screen that changed size during play (a new mode, a monitor unplugged) is
      // followed from the next frame on, so the display stays within it.
      FollowScreenSize();
      PlayFrame();
      continue;
    }
    // Sleep until the next message, timer or frame deadline rather than spinning.
    const uint32_t waited = ElapsedSince(frameClock);
    CurrentPlatform().WaitForMessage(waited < FrameIntervalMs ? FrameIntervalMs - waited : 1);
  }
  EndGame();
}

void TWorldForm::WaitWhileLocked() {
  // Nobody can see or play the game now: it holds its clock and its timers, so that no
  // attacker moves, no power mode or reload runs out, and nothing is lost meanwhile.
  HoldClock(true);
  PauseGameTimers(true);
  // The locker's prompt shows the desktop's own pointer, not the gun.
  RestoreCursors();
  while (CurrentPlatform().ScreenLocked()) {
    CurrentPlatform().WaitForMessage(LockedLookMs);
    ProcessMessagesSafe();
  }
  PauseGameTimers(false);
  HoldClock(false);
  // The keys and clicks that unlocked the screen are not the player's shots.
  ForgetPresses();
}

void TWorldForm::PlayFrame() {
  // Every sprite of the frame sees the gun where it was when the frame began.
  ReadGunPos();
  NextLevel();
  ClearPlayfield();
  DrawShotFlash();
  BombList->Update();
  // The playfield holds only the flash and the blasts now: what the hit lists' blast
  // test compares the attackers and missiles against.
  MonsterList->RemoveFinishedWhilePlaying();
  MissileList->RemoveFinishedWhilePlaying();
  BonusList->Update();
  MonsterList->Update();
  MissileList->Update();
  UpdateCursor();
  DrawHud();
  ComposeFrame();
}

void TWorldForm::ComposeFrame() {
  // The enlargement covers the whole picture opaquely, so clearing it to black
  // first would change nothing that shows; that pass over the screen is skipped.
  // Where the playfield has not changed since the last frame, the picture (and the
  // window) already show its enlargement: only the changed parts are redone.
  TBitmap32& picture = ScreenPicture();
  const TBitmap32& playfield = Playfield();
  TakeDrawn();
  const std::vector<TPixelArea>& changed = ChangedAreas.Enlarge(playfield, picture, &SinceCompared);
  SinceCompared.clear();
  const TPixelView source = playfield.View();
  GameWindow->PresentChanged(picture.View(), changed, &source);
}

void TWorldForm::EndGame() {
  // Between games the gun is dead: its tick, which runs on under the menu, neither
  // fires nor touches anything.
  GameOver = true;
  RestoreCursors();
  ClearPlayfield();
  ClearWorldImage();
  MonsterList->Clear();
  BonusList->Clear();
  BombList->Clear();
  MissileList->Clear();
  Level.reset();
  GameWindow->Hide();
  // The menu may wait for hours: it should not hold what the game has freed.
  ReturnFreeMemory();
}

void TWorldForm::FollowScreenSize() {
  const TScreenSize screen = CurrentPlatform().ScreenSize();
  // Set-up sizes the pictures for the screen it read before the window was placed; a
  // desktop may then give the window another monitor of another size. The pictures'
  // own size, not the one last read, says whether they fit.
  const TBitmap32& picture = ScreenPicture();
  if (screen.Width == WorldImageWidth && screen.Height == WorldImageHeight && picture.Width() == screen.Width &&
      picture.Height() == screen.Height)
    return;
  WorldImageWidth = screen.Width;
  WorldImageHeight = screen.Height;
  Playfield().SetSize(Round(screen.Width / ScreenToPlayfield), Round(screen.Height / ScreenToPlayfield));
  ScreenPicture().SetSize(screen.Width, screen.Height);
  ChangedAreas.Reserve(Playfield(), screen.Width);
  GameWindow->SetBounds(0, 0, screen.Width, screen.Height);
}

TPoint TWorldForm::ReadGunPos() {
  GetGunPos(FrameGunPos);
  return FrameGunPos;
}

void TWorldForm::GetGunPos(TPoint& p) const {
  int x = 0, y = 0;
  if (!CurrentPlatform().GetPointerPos(x, y)) return;
  p = {Round(x / ScreenToPlayfield), Round(y / ScreenToPlayfield)};
}

void TWorldForm::ClearPlayfield() {
  // Black again only where something was drawn: the rest is black already.
  TakeDrawn();
  TBitmap32& playfield = Playfield();
  for (const TRect& r : MaySet) {
    const int left = std::max(r.Left, 0), right = std::min(r.Right, playfield.Width());
    for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, playfield.Height()) && left < right; ++y)
      std::fill(playfield.ScanLine(y) + left, playfield.ScanLine(y) + right, 0);
  }
  SinceCompared.insert(SinceCompared.end(), MaySet.begin(), MaySet.end());
  MaySet.clear();
}

void TWorldForm::TakeDrawn() {
  MaySet.insert(MaySet.end(), DrawnNow.begin(), DrawnNow.end());
  SinceCompared.insert(SinceCompared.end(), DrawnNow.begin(), DrawnNow.end());
  DrawnNow.clear();
}
