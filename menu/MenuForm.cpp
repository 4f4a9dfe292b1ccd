// The menu's frames, its stars, name entry and choices.
//
// The menu draws at 250 x 232 and enlarges the finished surface 2.5 times onto its
// 625 x 580 window, so stars and letters show as large, smoothed pixels.
#include "menu/MenuForm.h"

#include <algorithm>

#include "menu/DialogForm.h"
#include "sprites/Resampler.h"
#include "support/GameFolders.h"
#include "support/MessageDialog.h"
#include "support/Paths.h"
#include "support/Random.h"
#include "support/TextRoutines.h"
#include "support/Timing.h"
#include "support/Xml.h"

namespace {

constexpr int White = 0, Yellow = 1;

struct TRankLabel {
  const char* Label;
  int Colour;
};
constexpr TRankLabel RankLabels[HiScoreRows] = {{"1ST", 1}, {"2ND", 1}, {"3RD", 1}, {"4TH", 2},  {"5TH", 2},
                                                {"6TH", 2}, {"7TH", 3}, {"8TH", 3}, {"9TH", 3}, {"10TH", 3}};

// The click areas of the three words, in window pixels.
constexpr TRect PlayLabel{31, 540, 31 + 104, 540 + 32};
constexpr TRect HomePageLabel{211, 540, 211 + 173, 540 + 32};
constexpr TRect QuitLabel{490, 540, 490 + 104, 540 + 32};

constexpr TColor32 InnerFrameColour = Color32(255, 255, 255);
constexpr TColor32 OuterFrameColour = Color32(118, 115, 168);

constexpr uint32_t BlinkHalfMs = 250;
constexpr uint32_t BlinkCycleMs = 500;
constexpr uint32_t BlinkGuardMs = 1000;

// A letter or digit of the ASCII set. The menu reads key codes as characters, so other
// key codes that look like letters in a wider character set do not type.
bool IsAlphaNumericKey(uint16_t key) {
  return (key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z') || (key >= 'a' && key <= 'z');
}

// An outline of the rectangle, right and bottom edges excluded.
void FrameRect(TBitmap32& b, int left, int top, int right, int bottom, TColor32 colour) {
  for (int x = left; x < right; ++x) {
    b.SetPixelS(x, top, colour);
    b.SetPixelS(x, bottom - 1, colour);
  }
  for (int y = top; y < bottom; ++y) {
    b.SetPixelS(left, y, colour);
    b.SetPixelS(right - 1, y, colour);
  }
}

bool Inside(const TRect& r, int x, int y) { return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom; }

std::string HomePageAddress() { return "file://" + DocumentFolder() + HomePageFileName; }

}  // namespace

void TStar::Move() {
  TSprite::Move();
  if (Y < Surface.Height() - 4) return;
  X = Random(Surface.Width() - 16) + 8;
  Y = 4;
}

void TStar::Draw(TBitmap32& bitmap) {
  Kind->Animations[FacingLeft]->Frame(0).SetPixelS(1, 1, Colour);
  TSprite::Draw(bitmap);
}

TMenuForm::TMenuForm(const TSpriteFont& font, std::unique_ptr<THiScoreList> table)
    : HiScoreList(std::move(table)),
      Font(font),
      FormWindow(CurrentPlatform().CreateWindow(TWindowKind::Menu)),
      Timer1(std::make_unique<TTimer>(MenuTimerMs, [this] { Timer1Timer(); }, false)) {
  MenuSurface.SetSize(Round(MenuWidth / ScreenToPlayfield), Round(MenuHeight / ScreenToPlayfield));
  MenuSurface.DrawMode = TDrawMode::Custom;
  MenuSurface.SetResampler(std::make_unique<TMyLinearResampler>());
  ScreenImage.Bitmap.SetSize(MenuWidth, MenuHeight);
  ScreenImage.Bitmap.DrawMode = TDrawMode::Transparent;
  StarImage.Name = "StarImage";
  StarImage.Width = StarImage.Height = 1;
  StarImage.Pixels = {0x00FF0000};
  // While a message is up, the menu behind it takes nothing: the message is read first.
  FormWindow->OnKeyDown = [this](uint16_t key) {
    if (DialogIsShown()) return;
    InputArrived();
    FormKeyDown(key);
  };
  FormWindow->OnMouseDown = [this](int x, int y) {
    if (DialogIsShown()) return;
    InputArrived();
    MouseDown(x, y);
  };
  if (HiScoreList) return;
  HiScoreList = std::make_unique<THiScoreList>();
  HiScoreList->LoadHiScores();
}

TMenuForm::~TMenuForm() = default;

bool TMenuForm::RunMenu(int32_t newScore) {
  Timer1->SetEnabled(true);
  if (!Stars) CreateStars();
  HiScoreList->Qualify(newScore);
  CloseMode = 0;
  const TScreenSize screen = CurrentPlatform().ScreenSize();
  FitToScreen(screen);
  FormWindow->SetBounds((screen.Width - WindowWidth()) / 2, (screen.Height - WindowHeight()) / 2, WindowWidth(),
                        WindowHeight());
  FormWindow->Show();
  CurrentPlatform().BringToFront();
  ProcessMessagesSafe();
  // A click in the middle of the screen, where the menu lies, makes it the active window.
  CurrentPlatform().SetPointerPos(screen.Width / 2, screen.Height / 2);
  CurrentPlatform().InjectLeftClick();

  // Frames keep a 16 ms rhythm, paced by the clock, so the stars fall as fast on every
  // machine. Only the frames in which something changes are drawn: the loop sleeps
  // until the next of them, or until input arrives. The menu's timer keeps it in
  // front, once a second.
  uint32_t frameClock = 0;
  while (CloseMode == 0) {
    ProcessMessagesSafe();
    if (CloseMode != 0) break;
    if (frameClock != 0) {
      const auto ahead = static_cast<int32_t>(NextFrameTick(frameClock) - Now());
      if (ahead > 0) {
        CurrentPlatform().WaitForMessage(static_cast<uint32_t>(ahead));
        continue;
      }
    }
    frameClock = Now();
    DrawFrame();
  }
  Stars.reset();
  StarSprite.reset();
  FormWindow->Hide();
  // A hidden window may lose what it showed: the next run starts with a whole frame.
  ChangedAreas.Forget();
  InputStamp = 0;
  Timer1->SetEnabled(false);
  return CloseMode == 2;
}

void TMenuForm::FitToScreen(const TScreenSize& screen) {
  // A screen smaller than the menu shows all of it smaller, so that every word stays
  // on the screen and can be clicked.
  const double scale = std::min({1.0, static_cast<double>(screen.Width) / MenuWidth,
                                 static_cast<double>(screen.Height) / MenuHeight});
  const int width = std::max(1, static_cast<int>(MenuWidth * scale));
  const int height = std::max(1, static_cast<int>(MenuHeight * scale));
  if (width == WindowWidth() && height == WindowHeight()) return;
  ScreenImage.Bitmap.SetSize(width, height);
  ChangedAreas.Forget();
}

void TMenuForm::CreateStars() {
  Stars = std::make_unique<TSpriteList>(&MenuSurface, StarWorld);
  StarSprite = std::make_unique<TGraphicSprite>(TPictures{&StarImage}, TPictures{});
  StarSprite->FreeAnimation(FacingRight);
  const int w = MenuSurface.Width(), h = MenuSurface.Height();
  for (int i = 0; i < StarCount; ++i) {
    const int x = Random(w - 16) + 8;
    const int y = Random(h - 16) + 16;
    const TColor32 colour = Color32(static_cast<uint8_t>(Random(255)), static_cast<uint8_t>(Random(255)),
                                    static_cast<uint8_t>(Random(255)));
    TSprite* star = Stars->Add(std::make_unique<TStar>(StarWorld, StarSprite.get(), x, y, colour, MenuSurface));
    star->DX = 0;
    star->DY = Random(3) + 1;
  }
}

void TMenuForm::DrawFrame() {
  const int w = MenuSurface.Width(), h = MenuSurface.Height();
  MenuSurface.Clear(0);
  FrameRect(MenuSurface, 1, 1, w - 1, h - 1, InnerFrameColour);
  FrameRect(MenuSurface, 0, 0, w, h, OuterFrameColour);
  Stars->Update();
  // One blink test for the row being named and one for PLAY/ENTER, in this order.
  DrawHighScores(BlinkVisible());
  BlinkShown = BlinkVisible();
  DrawBottomWords(BlinkShown);
  InputStamp = 0;
  const std::vector<TPixelArea>& changed = ChangedAreas.Enlarge(MenuSurface, ScreenImage.Bitmap);
  // A frame in which nothing shows differently is not sent at all.
  if (!changed.empty()) FormWindow->PresentChanged(ScreenImage.Bitmap.View(), changed);
}

uint32_t TMenuForm::ChangeDue() const {
  // Every stamp is compared by its distance from the last frame, across the
  // counter's wrap. A stamp of 0 counts as due at once.
  uint32_t due = InputStamp != 0 ? InputStamp : Now() + BlinkCycleMs;
  const auto earlier = [&due](uint32_t tick) {
    if (static_cast<int32_t>(tick - due) < 0) due = tick;
  };
  if (BlinkStamp == 0) return Now();
  // Hidden, the words show from a quarter second on; shown, they hide in the frame
  // after the one that restarted their cycle, and the cycle restarts half a second on.
  if (!BlinkShown)
    earlier(BlinkStamp + BlinkHalfMs);
  else
    earlier(IntervalPassed(BlinkStamp, BlinkHalfMs) ? BlinkStamp + BlinkCycleMs : BlinkStamp);
  for (int i = 0; Stars && i < Stars->Count(); ++i) {
    const TSprite& star = *Stars->Items(i);
    if (star.MoveTime == 0) return Now();
    earlier(star.MoveTime + static_cast<uint32_t>(star.MoveInterval));
  }
  return due;
}

uint32_t TMenuForm::NextFrameTick(uint32_t lastFrame) const {
  const auto until = static_cast<int32_t>(ChangeDue() - lastFrame);
  const auto frames = until <= static_cast<int32_t>(MenuFrameMs)
                          ? 1u
                          : (static_cast<uint32_t>(until) + MenuFrameMs - 1) / MenuFrameMs;
  return lastFrame + frames * MenuFrameMs;
}

void TMenuForm::InputArrived() {
  if (InputStamp == 0) InputStamp = Now();
}

bool TMenuForm::BlinkVisible() {
  const bool passed = IntervalPassed(BlinkStamp, BlinkHalfMs);
  return IntervalRestart(BlinkStamp, BlinkGuardMs) ? false : passed;
}

void TMenuForm::DrawHighScores(bool blinkVisible) {
  const int editing = HiScoreList->EditIndex;
  const std::string title = editing == -1 ? "HIGH SCORES" : "PLEASE ENTER NAME";
  Font.DrawTextOn(MenuSurface, Font.CenterTextX(MenuSurface, title), 10, title, White);
  for (int i = 0; i < HiScoreList->Count() && i < HiScoreRows; ++i) {
    if (i == editing && !blinkVisible) continue;
    const THiScore& row = *HiScoreList->Items(i);
    const int y = 30 + 18 * i;
    const int colour = RankLabels[i].Colour;
    Font.DrawTextOn(MenuSurface, 28, y, RankLabels[i].Label, colour);
    Font.DrawTextOn(MenuSurface, 72, y, ZeroPad(row.Score, 6), colour);
    const std::string name = row.Name.empty() ? std::string(NameLength, NamePad) : row.Name;
    Font.DrawTextOn(MenuSurface, 144, y, name, i == editing ? White : colour);
  }
}

void TMenuForm::DrawBottomWords(bool blinkVisible) {
  const auto at = [](const TRect& label) { return TPoint{Round(label.Left / ScreenToPlayfield), Round(label.Top / ScreenToPlayfield)}; };
  if (blinkVisible) {
    const TPoint play = at(PlayLabel);
    Font.DrawTextOn(MenuSurface, play.X, play.Y, HiScoreList->EditIndex == -1 ? "PLAY" : "ENTER", White);
  }
  IntervalRestart(BlinkStamp, BlinkCycleMs);
  const TPoint quit = at(QuitLabel), home = at(HomePageLabel);
  Font.DrawTextOn(MenuSurface, quit.X, quit.Y, "QUIT", White);
  Font.DrawTextOn(MenuSurface, home.X, home.Y, "HOMEPAGE", Yellow);
}

void TMenuForm::FormKeyDown(uint16_t key) {
  if (key == VK_RETURN && HiScoreList->EditIndex == -1) PlayLabelClick();
  if (key == VK_ESCAPE) QuitLabelClick();
  if (HiScoreList->EditIndex != -1) EditName(key);
}

void TMenuForm::EditName(uint16_t key) {
  THiScore& row = *HiScoreList->Items(HiScoreList->EditIndex);
  const std::string typed = TextBefore(std::string(1, NamePad), row.Name);
  if (IsAlphaNumericKey(key)) {
    row.Name = PadRight(typed + UpCaseChar(static_cast<char>(key)), NamePad, NameLength);
  } else if (key == VK_BACK || key == VK_DELETE) {
    row.Name = PadRight(typed.substr(0, typed.empty() ? 0 : typed.size() - 1), NamePad, NameLength);
  } else if (key == VK_RETURN || key == VK_ESCAPE) {
    row.Name = typed;
    HiScoreList->EditIndex = -1;
    try {
      HiScoreList->SaveHiScores();
    } catch (const EXmlError& error) {
      // The row and its name stay in the table; the entry counts as finished.
      ShowMessageDialog(error.what(), MessageKindError);
    }
  }
}

void TMenuForm::PlayLabelClick() {
  if (HiScoreList->EditIndex == -1) {
    CloseMode = 1;
    return;
  }
  FormKeyDown(VK_RETURN);
}

void TMenuForm::QuitLabelClick() { CloseMode = 2; }

void TMenuForm::HomePageLabelClick() { RunProgram(HomePageAddress(), "", true, true); }

void TMenuForm::Timer1Timer() { CurrentPlatform().BringToFront(); }

void TMenuForm::MouseDown(int x, int y) {
  // Back to the menu's own pixels from those of a window made smaller to fit the screen.
  x = static_cast<int>(int64_t{x} * MenuWidth / WindowWidth());
  y = static_cast<int>(int64_t{y} * MenuHeight / WindowHeight());
  if (Inside(PlayLabel, x, y)) PlayLabelClick();
  if (Inside(QuitLabel, x, y)) QuitLabelClick();
  if (Inside(HomePageLabel, x, y)) HomePageLabelClick();
}
