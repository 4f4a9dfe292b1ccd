// The menu between games: falling stars, the high-score table with name entry, and
// PLAY, QUIT and HOMEPAGE.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "menu/HiScores.h"
#include "platform/Platform.h"
#include "sprites/ChangedAreas.h"
#include "sprites/Sprite.h"
#include "sprites/SpriteFont.h"

constexpr int MenuWidth = 625;
constexpr int MenuHeight = 580;
constexpr int StarCount = 151;
// Frames of the menu come this many milliseconds apart.
constexpr uint32_t MenuFrameMs = 16;
constexpr uint32_t MenuTimerMs = 1000;
// The web page about the game that is installed beside the program.
constexpr const char* HomePageFileName = "homepage.html";

// One star of the field: it falls straight down and starts again at the top.
class TStar : public TSprite {
 public:
  // A star of Kind in World falling over Surface.
  TStar(TSpriteWorld& world, TGraphicSprite* kind, int x, int y, TColor32 colour, const TBitmap32& surface)
      : TSprite(world, kind, x, y), Colour(colour), Surface(surface) {}
  void Move() override;
  // All stars share one frame: each paints the frame's pixel in its own colour first.
  void Draw(TBitmap32& bitmap) override;

  TColor32 Colour;
  // Where the star was drawn last (empty before its first frame): all it may have
  // changed on the surface, its pixel.
  TRect Drawn{};

 private:
  const TBitmap32& Surface;
};

// A word the menu writes: where, what, in which of the font's colours.
struct TMenuText {
  int X, Y;
  std::string Text;
  int Colour;
  bool operator==(const TMenuText&) const = default;
};

class TMenuForm {
 public:
  // Prepares the surfaces and takes Table, or reads the high-score table when there is
  // none; writes with Font, which it does not own.
  explicit TMenuForm(const TSpriteFont& font, std::unique_ptr<THiScoreList> table = nullptr);
  ~TMenuForm();
  TMenuForm(const TMenuForm&) = delete;
  TMenuForm& operator=(const TMenuForm&) = delete;

  // Runs the menu until PLAY (false) or QUIT (true). NewScore is the score of the game
  // that has just ended, or -1 when there is none to enter.
  bool RunMenu(int32_t newScore);

  void FormKeyDown(uint16_t key);
  void PlayLabelClick();
  void QuitLabelClick();
  void HomePageLabelClick();
  void Timer1Timer();
  // Draws one frame of the menu and puts it on the screen.
  void DrawFrame();
  // The program is being ended from outside (its display gone, a stop signal): a name
  // being typed is finished as typed so far, and every row not yet in the file is
  // saved. Shows nothing itself; what the save has to say goes to the message dialog.
  void SaveBeforeEnding();

  // 0 while the menu runs, 1 when PLAY was chosen, 2 for QUIT.
  uint8_t CloseMode = 0;
  std::unique_ptr<THiScoreList> HiScoreList;
  uint32_t BlinkStamp = 0;
  TBitmap32 MenuSurface;
  // The stars fall where no game runs: they never ask where the gun is.
  TNoGameWorld StarWorld{MenuSurface};
  TImage32 ScreenImage;
  std::unique_ptr<TSpriteList> Stars;
  std::unique_ptr<TGraphicSprite> StarSprite;
  TPlatformWindow& Window() { return *FormWindow; }
  // How many screen pixels wide each of the menu's 625 x 580 is shown.
  int ShownMultiple() const { return Multiple; }

 private:
  void CreateStars();
  // Sizes the window: the menu's size times the desktop's whole scale, or smaller to
  // fit on Screen.
  void FitToScreen(const TScreenSize& screen);
  // Fits the window to the screen as it is now and centres it there.
  void PlaceWindow();
  // The menu's picture before the desktop's scale, and the window's size.
  int PictureWidth() const { return ScreenImage.Bitmap.Width(); }
  int PictureHeight() const { return ScreenImage.Bitmap.Height(); }
  int WindowWidth() const { return PictureWidth() * Multiple; }
  int WindowHeight() const { return PictureHeight() * Multiple; }
  bool BlinkVisible();
  // The earliest tick at which a frame would differ from the last one drawn: a star
  // due to move, the blinking words due to change, or input that changed the menu.
  uint32_t ChangeDue() const;
  // The tick of the next frame worth drawing: frames keep their 16 ms rhythm from
  // LastFrame, and those in which nothing would change are skipped.
  uint32_t NextFrameTick(uint32_t lastFrame) const;
  void InputArrived();
  // The words of the table and the choices as they show now, into Texts.
  void ListHighScores(bool blinkVisible, std::vector<TMenuText>& texts) const;
  void ListBottomWords(bool blinkVisible, std::vector<TMenuText>& texts) const;
  // Draws the frame and the words anew where they differ from the last frame's, and
  // puts those places on the surface (naming them in Touched); true when nothing was
  // drawn yet and all of the backdrop is new.
  bool PrepareBackdrop(bool rowVisible, bool wordsVisible);
  // The frame and the words of TextsNow within Area of the backdrop and the text layer.
  void RedrawBackdrop(const TRect& area);
  // Puts the words back over whatever a star drew within Area.
  void OverlayTexts(const TRect& area);
  // Takes Star's next move into StarMoveDue.
  void NoteStarMove(const TSprite& star);
  void MouseDown(int x, int y);
  void EditName(uint16_t key);
  // The name being typed is the row's name from now on, as typed so far.
  void FinishName();
  // As the game ends: the rows a failed save left are tried once more.
  void SaveUnsavedRows();
  // Saves the table by Save; a failure is shown with Consequence, what becomes of the
  // rows not saved.
  void SaveTable(void (THiScoreList::*save)(), const char* consequence);

  const TSpriteFont& Font;
  TImage StarImage;
  // Between two frames only the stars and the blinking words move: only the parts
  // around them are enlarged and sent to the screen again. A star is one pixel, so
  // tiles of one pixel keep those parts close around it.
  TChangedAreas ChangedAreas{1};
  // The words go over the stars. A frame is the backdrop (the frame and the words, kept
  // ready-drawn while they stay the same) with the stars drawn over it and the words
  // put back over them: only the places the stars left and reached are drawn again and
  // compared. TextLayer holds the words alone, 0 where none is.
  TBitmap32 Backdrop, TextLayer;
  std::vector<TMenuText> TextsShown, TextsNow;
  bool BackdropReady = false;
  std::vector<TRect> Touched;
  // When the first star moves next, noted as the stars are drawn; none when a star
  // has yet to move (at once).
  std::optional<uint32_t> StarMoveDue;
  // Whether the last frame drawn showed the blinking words, and when input that may
  // change the picture arrived since (0: none).
  bool BlinkShown = false;
  uint32_t InputStamp = 0;
  // The desktop's whole scale: each pixel of ScreenImage shows as a square this wide,
  // in ScaledImage when it is more than 1.
  int Multiple = 1;
  TBitmap32 ScaledImage;
  std::vector<TPixelArea> ScaledAreas;
  std::unique_ptr<TPlatformWindow> FormWindow;
  std::unique_ptr<TTimer> Timer1;
};
