// TDialogForm: the support library's dialog, a banner with a heading and the program's
// icon, the message, and a row of buttons, drawn by us into a window of its own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "sprites/Bitmap32.h"

// What closed a dialog.
enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2 };

struct TDialogButton {
  std::string Caption;  // "&" marks the access key: "&Ok" shows "Ok" with the O underlined
  int Kind = mrOk;      // the result a click gives, and what DefaultKind is compared with
  bool operator==(const TDialogButton&) const = default;
};

constexpr int DialogClientWidth = 340;
constexpr int DialogClientHeight = 208;
// Above the client area: a title bar with the caption and the close box.
constexpr int DialogTitleBarHeight = 20;
constexpr TColor32 BannerColour = Color32(198, 211, 239);
// The banner colour brightened by 30 in each of red, green and blue.
constexpr TColor32 DialogColour = Color32(228, 241, 255);

class TDialogForm {
 public:
  // Lays out and draws the dialog; a character 0 in Text starts a new line.
  TDialogForm(const std::string& title, const std::string& heading, const std::string& text, uint8_t defaultKind,
              const std::vector<TDialogButton>& buttons);

  // Shows the dialog and returns when it is closed: by a button, Enter (the focused
  // button), Escape or the close box (mrCancel). No timer of the program fires meanwhile.
  int ShowModal();

  // The dialog as drawn, title bar included, at the desktop's whole scale.
  const TBitmap32& Picture() const { return Canvas; }
  // How many pixels of the picture each pixel of the layout below is wide.
  int Multiple() const { return Scale; }
  // A button's place in the layout: in the picture, times Multiple.
  TRect ButtonRect(int index) const;
  TRect CloseBoxRect() const;
  int FocusedButton() const { return Focused; }
  int DefaultButton() const { return Default; }
  // The message as shown, one entry per line.
  const std::vector<std::string>& TextLines() const { return Lines; }

  void KeyDown(uint16_t key);
  // At a place of the picture.
  void MouseDown(int x, int y);
  int ModalResult = mrNone;

 private:
  // A text to draw once the layout has been enlarged, in layout pixels: the line's
  // top-left, the right edge it stops at, and the character underlined (-1: none).
  struct TPendingText {
    int X, Y;
    std::string Text;
    TColor32 Colour;
    int Limit;
    int Underlined;
    bool Bold;
  };

  // Takes the desktop's scale and screen as they are now, and the text font for them;
  // true when the picture changes size.
  bool Rescale();
  // Breaks the message anew for the font.
  void LayOutText(const std::string& text);
  void Draw();
  void DrawBanner();
  void DrawButtons();
  // Queues Text for drawing over the enlarged layout.
  void DrawText(int x, int y, const std::string& text, TColor32 colour, int limit = 1 << 30, int underlined = -1,
                bool bold = false);
  void DrawPendingText(const TPendingText& text);
  void DrawBitmapText(const TPendingText& text);
  // Text's width in layout pixels, rounded up.
  int LayoutWidth(const std::string& text);
  // Text's width in picture pixels.
  int PictureWidth(const std::string& text);
  // Breaks Text into lines at character 0 and wherever a line would be wider than Width layout pixels.
  std::vector<std::string> WrapText(const std::string& text, int width);
  // Places Window in the middle of the screen, the picture's size.
  void Place(TPlatformWindow& window);

  std::string Title;
  std::string Heading;
  std::vector<std::string> Lines;
  std::vector<TDialogButton> Buttons;
  int Focused = -1;
  int Default = -1;
  int FirstLine = 0;  // the message's scroll position
  std::string Message;
  // The layout drawn without its texts, and the picture: it enlarged, texts drawn over.
  TBitmap32 Plain, Canvas;
  std::vector<TPendingText> Pending;
  int Scale = 1;
  std::unique_ptr<TBitmap32> Font;
  // The desktop's own font at this scale; null where the platform has none, and the
  // game's letters stand in.
  std::unique_ptr<TTextRenderer> Renderer;
};

// The dialog with the title ("Bericht" when empty), the heading (the program's name
// when empty), the text and the buttons; its modal result. Kind changes nothing shown.
// Asked for while a dialog is shown, it is shown after that one closes (once, however
// often it was asked for meanwhile) and gives mrCancel at once.
int ShowDialog(const std::string& title, const std::string& heading, const std::string& text, uint8_t kind,
               uint8_t defaultKind, const std::vector<TDialogButton>& buttons);
// True while a dialog is shown: the program's other windows then take no input.
bool DialogIsShown();
// The message dialog: the dialog with one Ok button, as the program shows ShowMessageDialog's texts.
void ShowMessageForm(const std::string& text, uint8_t kind);
