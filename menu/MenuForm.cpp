// The menu's frames, its stars, name entry and choices.
//
// The menu draws at 250 x 232 and enlarges the finished surface 2.5 times onto its
// 625 x 580 window, so stars and letters show as large, smoothed pixels.
#include "menu/MenuForm.h"

#include <algorithm>

#include "menu/DialogForm.h"
#include "menu/ScreenFit.h"
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
// What a failed save at the game's end says of the rows it could not write.
constexpr const char* LostAsTheGameEnds = "The scores not saved are lost as the game ends.";

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
  // Every frame has a border of one transparent pixel around its picture: the star
  // changed at most its one pixel inside it.
  const int x = Round(X), y = Round(Y);
  Drawn = {x + 1, y + 1, x + WorkBitmap->Width() - 1, y + WorkBitmap->Height() - 1};
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
  // The words alone, drawn over what lies beneath them where they are not 0.
  TextLayer.DrawMode = TDrawMode::Transparent;
  TextLayer.OuterColor = 0;
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
  // A screen made smaller (a laptop leaving its dock) or another scale: the whole menu
  // shows again at once, in the middle.
  FormWindow->OnScreenChanged = [this] {
    PlaceWindow();
    InputArrived();
  };
  if (HiScoreList) return;
  HiScoreList = std::make_unique<THiScoreList>();
  HiScoreList->LoadHiScores();
}

TMenuForm::~TMenuForm() = default;

bool TMenuForm::RunMenu(int32_t newScore) {
  Timer1->SetEnabled(true);
  // The menu makes no sound: the output may rest while it waits.
  CurrentPlatform().LetSoundRest(true);
  if (!Stars) CreateStars();
  HiScoreList->Qualify(newScore);
  CloseMode = 0;
  PlaceWindow();
  const TScreenSize screen = CurrentPlatform().ScreenSize();
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
  if (CloseMode == 2) SaveUnsavedRows();
  Stars.reset();
  StarSprite.reset();
  FormWindow->Hide();
  // A hidden window may lose what it showed: the next run starts with a whole frame.
  ChangedAreas.Forget();
  BackdropReady = false;
  InputStamp = 0;
  Timer1->SetEnabled(false);
  CurrentPlatform().LetSoundRest(false);
  return CloseMode == 2;
}

void TMenuForm::FitToScreen(const TScreenSize& screen) {
  const int multiple = WholeMultiple(CurrentPlatform().InterfaceScale(), screen, MenuWidth, MenuHeight);
  // A screen smaller than the menu shows all of it smaller, so that every word stays
  // on the screen and can be clicked.
  const double scale = std::min({1.0, static_cast<double>(screen.Width) / MenuWidth,
                                 static_cast<double>(screen.Height) / MenuHeight});
  const int width = std::max(1, static_cast<int>(MenuWidth * scale));
  const int height = std::max(1, static_cast<int>(MenuHeight * scale));
  if (width == PictureWidth() && height == PictureHeight() && multiple == Multiple) return;
  ScreenImage.Bitmap.SetSize(width, height);
  Multiple = multiple;
  if (Multiple > 1) ScaledImage.SetSize(width * Multiple, height * Multiple);
  ChangedAreas.Forget();
  BackdropReady = false;
}

void TMenuForm::PlaceWindow() {
  const TScreenSize screen = CurrentPlatform().ScreenSize();
  FitToScreen(screen);
  FormWindow->SetBounds((screen.Width - WindowWidth()) / 2, (screen.Height - WindowHeight()) / 2, WindowWidth(),
                        WindowHeight());
}

void TMenuForm::CreateStars() {
  Stars = std::make_unique<TSpriteList>(&MenuSurface, StarWorld);
  StarSprite = std::make_unique<TGraphicSprite>(TPictures{&StarImage}, TPictures{});
  StarSprite->FreeAnimation(FacingRight);
  StarMoveDue.reset();
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
  // One blink test for the row being named and one for PLAY/ENTER, in this order, and
  // the blink's cycle restarted when due.
  const bool rowVisible = BlinkVisible();
  BlinkShown = BlinkVisible();
  IntervalRestart(BlinkStamp, BlinkCycleMs);
  InputStamp = 0;
  Touched.clear();
  // The stars lie scattered in memory that the sleep since the last frame has let go
  // cold: asking for all of them at once overlaps the waits that one by one would add up.
  for (int i = 0; i < Stars->Count(); ++i) {
    const char* star = reinterpret_cast<const char*>(Stars->Items(i));
    for (size_t at = 0; at < sizeof(TStar); at += 64) __builtin_prefetch(star + at);
  }
  const bool whole = PrepareBackdrop(rowVisible, BlinkShown);
  if (whole) {
    MenuSurface.Draw(0, 0, Backdrop);
  } else {
    for (int i = 0; i < Stars->Count(); ++i) {
      const TStar& star = *static_cast<const TStar*>(Stars->Items(i));
      __builtin_prefetch(star.WorkBitmap.get());
      __builtin_prefetch(reinterpret_cast<const char*>(star.WorkBitmap.get()) + 64);
      MenuSurface.Draw(star.Drawn, star.Drawn, Backdrop);
      Touched.push_back(star.Drawn);
    }
  }
  Stars->Update();
  StarMoveDue.reset();
  for (int i = 0; i < Stars->Count(); ++i) {
    const TStar& star = *static_cast<const TStar*>(Stars->Items(i));
    OverlayTexts(star.Drawn);
    Touched.push_back(star.Drawn);
    NoteStarMove(star);
  }
  const std::vector<TPixelArea>& changed =
      ChangedAreas.Enlarge(MenuSurface, ScreenImage.Bitmap, whole ? nullptr : &Touched);
  // A frame in which nothing shows differently is not sent at all.
  if (changed.empty()) return;
  if (Multiple == 1) {
    FormWindow->PresentChanged(ScreenImage.Bitmap.View(), changed);
    return;
  }
  ScaledAreas.clear();
  for (const TPixelArea& area : changed) ScaledAreas.push_back(EnlargeWhole(ScreenImage.Bitmap, area, ScaledImage, Multiple));
  FormWindow->PresentChanged(ScaledImage.View(), ScaledAreas);
}

bool TMenuForm::PrepareBackdrop(bool rowVisible, bool wordsVisible) {
  TextsNow.clear();
  ListHighScores(rowVisible, TextsNow);
  ListBottomWords(wordsVisible, TextsNow);
  const int w = MenuSurface.Width(), h = MenuSurface.Height();
  if (!BackdropReady || Backdrop.Width() != w || Backdrop.Height() != h) {
    Backdrop.SetSize(w, h);
    TextLayer.SetSize(w, h);
    RedrawBackdrop(Backdrop.BoundsRect());
    std::swap(TextsShown, TextsNow);
    BackdropReady = true;
    return true;
  }
  if (TextsNow == TextsShown) return false;
  // Where a word came or went (a blink, a letter typed), the backdrop is drawn again
  // and put on the surface; the stars are drawn over it next.
  const auto redrawWhereMissing = [this](const std::vector<TMenuText>& texts, const std::vector<TMenuText>& others) {
    for (const TMenuText& text : texts) {
      if (std::find(others.begin(), others.end(), text) != others.end()) continue;
      const TRect area = Font.TextBounds(text.X, text.Y, text.Text, text.Colour);
      RedrawBackdrop(area);
      MenuSurface.Draw(area, area, Backdrop);
      Touched.push_back(area);
    }
  };
  redrawWhereMissing(TextsShown, TextsNow);
  redrawWhereMissing(TextsNow, TextsShown);
  std::swap(TextsShown, TextsNow);
  return false;
}

void TMenuForm::RedrawBackdrop(const TRect& area) {
  const TRect inside{std::max(area.Left, 0), std::max(area.Top, 0), std::min(area.Right, Backdrop.Width()),
                     std::min(area.Bottom, Backdrop.Height())};
  if (inside.Left >= inside.Right || inside.Top >= inside.Bottom) return;
  for (int y = inside.Top; y < inside.Bottom; ++y) {
    std::fill(Backdrop.ScanLine(y) + inside.Left, Backdrop.ScanLine(y) + inside.Right, 0);
    std::fill(TextLayer.ScanLine(y) + inside.Left, TextLayer.ScanLine(y) + inside.Right, 0);
  }
  Backdrop.SetClipRect(inside);
  TextLayer.SetClipRect(inside);
  const int w = Backdrop.Width(), h = Backdrop.Height();
  FrameRect(Backdrop, 1, 1, w - 1, h - 1, InnerFrameColour);
  FrameRect(Backdrop, 0, 0, w, h, OuterFrameColour);
  for (const TMenuText& text : TextsNow) Font.DrawTextOn(TextLayer, text.X, text.Y, text.Text, text.Colour);
  Backdrop.Draw(inside, inside, TextLayer);
  Backdrop.SetClipRect(Backdrop.BoundsRect());
  TextLayer.SetClipRect(TextLayer.BoundsRect());
}

void TMenuForm::OverlayTexts(const TRect& area) { MenuSurface.Draw(area, area, TextLayer); }

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
  if (Stars) {
    if (!StarMoveDue) return Now();
    earlier(*StarMoveDue);
  }
  return due;
}

void TMenuForm::NoteStarMove(const TSprite& star) {
  // A star that has never moved moves in the next frame.
  const uint32_t due = star.MoveTime == 0 ? Now() : star.MoveTime + static_cast<uint32_t>(star.MoveInterval);
  if (!StarMoveDue || static_cast<int32_t>(due - *StarMoveDue) < 0) StarMoveDue = due;
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

void TMenuForm::ListHighScores(bool blinkVisible, std::vector<TMenuText>& texts) const {
  const int editing = HiScoreList->EditIndex;
  const std::string title = editing == -1 ? "HIGH SCORES" : "PLEASE ENTER NAME";
  texts.push_back({Font.CenterTextX(MenuSurface, title), 10, title, White});
  for (int i = 0; i < HiScoreList->Count() && i < HiScoreRows; ++i) {
    if (i == editing && !blinkVisible) continue;
    const THiScore& row = *HiScoreList->Items(i);
    const int y = 30 + 18 * i;
    const int colour = RankLabels[i].Colour;
    texts.push_back({28, y, RankLabels[i].Label, colour});
    texts.push_back({72, y, ZeroPad(row.Score, 6), colour});
    const std::string name = row.Name.empty() ? std::string(NameLength, NamePad) : row.Name;
    texts.push_back({144, y, name, i == editing ? White : colour});
  }
}

void TMenuForm::ListBottomWords(bool blinkVisible, std::vector<TMenuText>& texts) const {
  const auto at = [](const TRect& label) { return TPoint{Round(label.Left / ScreenToPlayfield), Round(label.Top / ScreenToPlayfield)}; };
  if (blinkVisible) {
    const TPoint play = at(PlayLabel);
    texts.push_back({play.X, play.Y, HiScoreList->EditIndex == -1 ? "PLAY" : "ENTER", White});
  }
  const TPoint quit = at(QuitLabel), home = at(HomePageLabel);
  texts.push_back({quit.X, quit.Y, "QUIT", White});
  texts.push_back({home.X, home.Y, "HOMEPAGE", Yellow});
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
    FinishName();
    // On failure the row and its name stay in the table; the entry counts as finished.
    SaveTable(&THiScoreList::SaveHiScores,
              "The new score stays in the table; it is saved with the next one, or as the game ends.");
  }
}

void TMenuForm::FinishName() {
  THiScore& row = *HiScoreList->Items(HiScoreList->EditIndex);
  row.Name = TextBefore(std::string(1, NamePad), row.Name);
  HiScoreList->EditIndex = -1;
}

void TMenuForm::SaveBeforeEnding() {
  // The score was earned: unlike a player's QUIT, the end that nobody chose keeps it.
  if (HiScoreList->EditIndex != -1) FinishName();
  else if (!HiScoreList->HasUnsavedRows()) return;
  SaveTable(&THiScoreList::SaveHiScores, LostAsTheGameEnds);
}

void TMenuForm::SaveUnsavedRows() {
  if (HiScoreList->HasUnsavedRows()) SaveTable(&THiScoreList::SaveUnsavedRows, LostAsTheGameEnds);
}

void TMenuForm::SaveTable(void (THiScoreList::*save)(), const char* consequence) {
  try {
    (HiScoreList.get()->*save)();
  } catch (const EXmlError& error) {
    ShowMessageDialog(std::string(error.what()) + std::string(1, '\0') + consequence, MessageKindError);
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
  // Back to the menu's own pixels from those of a window made larger by the desktop's
  // scale, or smaller to fit the screen.
  x = static_cast<int>(int64_t{x} * MenuWidth / WindowWidth());
  y = static_cast<int>(int64_t{y} * MenuHeight / WindowHeight());
  if (Inside(PlayLabel, x, y)) PlayLabelClick();
  if (Inside(QuitLabel, x, y)) QuitLabelClick();
  if (Inside(HomePageLabel, x, y)) HomePageLabelClick();
}
