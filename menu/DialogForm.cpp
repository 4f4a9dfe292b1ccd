// Laying out, drawing and running the dialog.
#include "menu/DialogForm.h"

#include "menu/ScreenFit.h"

#include <algorithm>
#include <thread>

#include "platform/PngCodec.h"
#include "platform/Resources.h"
#include "sprites/GraphicSpriteForm.h"
#include "sprites/GraphicsTools.h"
#include "sprites/Resampler.h"
#include "support/InputPolling.h"
#include "support/TextRoutines.h"
#include "support/Timing.h"

namespace {

// The dialog font: the printable characters 32 to 126 side by side in cells of 7 x 13.
constexpr int GlyphWidth = 7;
constexpr int GlyphHeight = 13;
constexpr char FirstGlyph = ' ';
constexpr char LastGlyph = '~';

constexpr int BannerHeight = 43;
constexpr TRect TitleLabel{8, 7, 8 + 257, 7 + 30};
constexpr TRect LogoImage{298, 7, 298 + 32, 7 + 32};
constexpr TRect TextEdit{12, 51, 12 + 315, 51 + 112};
constexpr int ButtonWidth = 80, ButtonHeight = 25, ButtonPitch = 85, ButtonMargin = 10, ButtonBottom = 5;
constexpr int ScrollBarWidth = 12;

constexpr TColor32 Black = Color32(0, 0, 0);
constexpr TColor32 White = Color32(255, 255, 255);
constexpr TColor32 Shadow = Color32(128, 128, 128);
constexpr TColor32 ButtonFace = Color32(222, 226, 234);
constexpr TColor32 TitleBar = Color32(60, 80, 130);
// Dark on the pale banner: at least 5:1 against its palest strip's neighbour, the
// banner colour itself, and 7.9:1 against its white end.
constexpr TColor32 HeadingColour = TitleBar;

// Started on the user-interface thread: the dialog knows it when it is called from another.
const std::thread::id UserInterfaceThread = std::this_thread::get_id();

std::unique_ptr<TBitmap32> LoadFont() {
  auto font = std::make_unique<TBitmap32>();
  const auto data = FindResource(TResourceKind::Interface, "DialogFont");
  if (data.empty()) return font;
  const TDecodedPng png = DecodePng(data);
  font->SetSize(png.Width, png.Height);
  std::copy(png.Pixels.begin(), png.Pixels.end(), font->Bits());
  return font;
}

void FillRect(TBitmap32& b, const TRect& r, TColor32 colour) {
  for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, b.Height()); ++y)
    for (int x = std::max(r.Left, 0); x < std::min(r.Right, b.Width()); ++x) b.SetPixel(x, y, colour);
}

void HorizontalLine(TBitmap32& b, int left, int right, int y, TColor32 colour) { FillRect(b, {left, y, right, y + 1}, colour); }

// The text of a caption without its access-key marks, and where the marked key is.
std::string ShownCaption(const std::string& caption, int& accessKey) {
  std::string shown;
  accessKey = -1;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) {
      if (caption[i + 1] != '&') accessKey = static_cast<int>(shown.size());
      ++i;
    }
    shown += caption[i];
  }
  return shown;
}

// The length in bytes of the UTF-8 character at At (1 for a stray byte).
size_t CharacterLength(const std::string& text, size_t at) {
  size_t length = 1;
  while (at + length < text.size() && (static_cast<unsigned char>(text[at + length]) & 0xC0) == 0x80) ++length;
  return length;
}

size_t CharacterCount(const std::string& text) {
  size_t count = 0;
  for (size_t at = 0; at < text.size(); at += CharacterLength(text, at)) ++count;
  return count;
}

// The desktop font's em at the layout's own scale, in halves of a pixel: its lines
// then fit the 13 pixels the game's letters take.
constexpr int TextHalfPixels = 21;

// A dialog asked for while another is shown, to be shown when that one is closed.
struct TWaitingDialog {
  std::string Title, Heading, Text;
  uint8_t DefaultKind;
  std::vector<TDialogButton> Buttons;
  bool operator==(const TWaitingDialog&) const = default;
};

int ShownDialogs = 0;
std::vector<TWaitingDialog> Waiting;

int ShowNow(const TWaitingDialog& dialog) {
  TDialogForm form(dialog.Title, dialog.Heading, dialog.Text, dialog.DefaultKind, dialog.Buttons);
  return form.ShowModal();
}

std::string ProgramName() {
  std::string name = CurrentPlatform().Files().ProgramName();
  name = Trim(name.substr(0, name.find('.')));
  name = LowerCaseAscii(name);
  if (!name.empty()) name[0] = UpCaseChar(name[0]);
  return name;
}

}  // namespace

TDialogForm::TDialogForm(const std::string& title, const std::string& heading, const std::string& text,
                         uint8_t defaultKind, const std::vector<TDialogButton>& buttons)
    : Title(title.empty() ? "Bericht" : title),
      Heading(heading.empty() ? ProgramName() : heading),
      Buttons(buttons),
      Message(text),
      Font(LoadFont()) {
  // From the last button to the first: the first one that qualifies ends up focused.
  for (int i = static_cast<int>(Buttons.size()) - 1; i >= 0; --i) {
    if (Buttons[static_cast<size_t>(i)].Kind == defaultKind || defaultKind == 0 || Buttons.size() == 1) {
      Default = i;
      Focused = i;
    }
  }
  Rescale();
  Draw();
}

bool TDialogForm::Rescale() {
  const int width = DialogClientWidth, height = DialogTitleBarHeight + DialogClientHeight;
  const int scale = WholeMultipleNow(width, height);
  if (scale == Scale && !Plain.Empty()) return false;
  Scale = scale;
  Renderer = CurrentPlatform().CreateTextRenderer(TextHalfPixels * Scale / 2);
  Plain.SetSize(width, height);
  Canvas.SetSize(width * Scale, height * Scale);
  LayOutText(Message);
  return true;
}

void TDialogForm::LayOutText(const std::string& text) {
  Lines.clear();
  FirstLine = 0;
  // Within the text box, right of its two-pixel margin and left of the scroll bar.
  if (!text.empty()) Lines = WrapText(text, TextEdit.Width() - ScrollBarWidth - 2);
}

int TDialogForm::PictureWidth(const std::string& text) {
  if (Renderer) return Renderer->TextWidth(text);
  return static_cast<int>(CharacterCount(text)) * GlyphWidth * Scale;
}

int TDialogForm::LayoutWidth(const std::string& text) { return (PictureWidth(text) + Scale - 1) / Scale; }

std::vector<std::string> TDialogForm::WrapText(const std::string& text, int width) {
  std::vector<std::string> lines;
  const int room = width * Scale;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find('\0', start);
    std::string paragraph = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    for (;;) {
      // The most whole characters that fit, one at least; the widths add up character by character.
      size_t fits = 0;
      int used = 0;
      while (fits < paragraph.size()) {
        const size_t length = CharacterLength(paragraph, fits);
        used += PictureWidth(paragraph.substr(fits, length));
        if (used > room && fits > 0) break;
        fits += length;
      }
      if (fits >= paragraph.size()) break;
      size_t cut = paragraph.rfind(' ', fits);
      if (cut == std::string::npos || cut == 0) cut = fits;
      lines.push_back(paragraph.substr(0, cut));
      paragraph.erase(0, paragraph[cut] == ' ' ? cut + 1 : cut);
    }
    lines.push_back(paragraph);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

TRect TDialogForm::ButtonRect(int index) const {
  const int n = static_cast<int>(Buttons.size());
  int left = DialogClientWidth - ButtonWidth - (n - 1 - index) * ButtonPitch - ButtonMargin;
  if (n == 1) left = (DialogClientWidth - ButtonWidth) / 2;  // a single button sits in the middle
  const int top = DialogTitleBarHeight + DialogClientHeight - ButtonHeight - ButtonBottom;
  return {left, top, left + ButtonWidth, top + ButtonHeight};
}

TRect TDialogForm::CloseBoxRect() const {
  return {DialogClientWidth - 18, 2, DialogClientWidth - 2, DialogTitleBarHeight - 2};
}

void TDialogForm::Draw() {
  Pending.clear();
  Plain.Clear(DialogColour);
  FillRect(Plain, {0, 0, DialogClientWidth, DialogTitleBarHeight}, TitleBar);
  DrawText(6, 4, Title, White, CloseBoxRect().Left - 10);
  const TRect close = CloseBoxRect();
  FillRect(Plain, close, ButtonFace);
  for (int i = 3; i < close.Width() - 3; ++i) {
    Plain.SetPixel(close.Left + i, close.Top + i, Black);
    Plain.SetPixel(close.Right - 1 - i, close.Top + i, Black);
  }
  DrawBanner();
  const int top = DialogTitleBarHeight;
  HorizontalLine(Plain, 0, DialogClientWidth, top + BannerHeight, Shadow);
  HorizontalLine(Plain, 0, DialogClientWidth, top + BannerHeight + 1, White);
  if (!Lines.empty()) {
    const TRect area{TextEdit.Left, top + TextEdit.Top, TextEdit.Right, top + TextEdit.Bottom};
    FillRect(Plain, area, White);
    const int visible = area.Height() / GlyphHeight;
    for (int i = 0; i < visible && FirstLine + i < static_cast<int>(Lines.size()); ++i)
      DrawText(area.Left + 2, area.Top + 1 + i * GlyphHeight, Lines[static_cast<size_t>(FirstLine + i)], Black,
               area.Right - ScrollBarWidth);
    const TRect track{area.Right - ScrollBarWidth, area.Top, area.Right, area.Bottom};
    FillRect(Plain, track, ButtonFace);
    if (static_cast<int>(Lines.size()) > visible) {
      const int total = static_cast<int>(Lines.size());
      const int thumbTop = track.Top + track.Height() * FirstLine / total;
      const int thumbHeight = std::max(track.Height() * visible / total, 6);
      FillRect(Plain, {track.Left + 2, thumbTop, track.Right - 2, thumbTop + thumbHeight}, Shadow);
    }
  }
  HorizontalLine(Plain, 8, 8 + 322, top + 169, Shadow);
  HorizontalLine(Plain, 8, 8 + 322, top + 170, White);
  DrawButtons();
  // The texts go over the enlarged layout in the font's own pixels.
  EnlargeWhole(Plain, {0, 0, Plain.Width(), Plain.Height()}, Canvas, Scale);
  for (const TPendingText& text : Pending) DrawPendingText(text);
}

void TDialogForm::DrawBanner() {
  // Strips fading from the banner colour to white; what is left over at the right is white.
  const int width = DialogClientWidth;
  const int strips = std::clamp(width, 2, 255);
  const int stripWidth = width / strips;
  const int top = DialogTitleBarHeight;
  FillRect(Plain, {0, top, width, top + BannerHeight}, White);
  for (int i = 0; i < strips; ++i) {
    const auto blend = [&](uint8_t c) {
      return static_cast<uint8_t>(c + Round((255.0 - c) * i / (strips - 1)));
    };
    const TColor32 colour = Color32(blend(RedComponent(BannerColour)), blend(GreenComponent(BannerColour)),
                                    blend(BlueComponent(BannerColour)));
    FillRect(Plain, {i * stripWidth, top, (i + 1) * stripWidth, top + BannerHeight}, colour);
  }
  // The heading, dark and bold (drawn twice, a pixel apart), so that it reads on the pale banner.
  const TRect heading{TitleLabel.Left, top + TitleLabel.Top, TitleLabel.Right, top + TitleLabel.Bottom};
  const std::vector<std::string> headingLines = WrapText(Heading, heading.Width());
  for (size_t i = 0; i < headingLines.size() && i < 2; ++i) {
    const int y = heading.Top + static_cast<int>(i) * (GlyphHeight + 2);
    DrawText(heading.Left, y, headingLines[i], HeadingColour, heading.Right, -1, true);
  }
  // The program's icon: its arcade cabinet, scaled into the logo's square.
  if (GraphicSpriteForm != nullptr) {
    const auto icon = BitmapFromImage(GraphicSpriteForm->DialogImage);
    const int h = LogoImage.Height(), w = Round(static_cast<double>(icon->Width()) * h / icon->Height());
    const int left = LogoImage.Left + (LogoImage.Width() - w) / 2;
    Plain.Draw({left, top + LogoImage.Top, left + w, top + LogoImage.Top + h}, icon->BoundsRect(), *icon);
  }
}

void TDialogForm::DrawButtons() {
  for (int i = 0; i < static_cast<int>(Buttons.size()); ++i) {
    const TRect r = ButtonRect(i);
    FillRect(Plain, r, ButtonFace);
    HorizontalLine(Plain, r.Left, r.Right, r.Top, White);
    HorizontalLine(Plain, r.Left, r.Right, r.Bottom - 1, Shadow);
    FillRect(Plain, {r.Left, r.Top, r.Left + 1, r.Bottom}, White);
    FillRect(Plain, {r.Right - 1, r.Top, r.Right, r.Bottom}, Shadow);
    if (i == Default) {
      HorizontalLine(Plain, r.Left - 1, r.Right + 1, r.Top - 1, Black);
      HorizontalLine(Plain, r.Left - 1, r.Right + 1, r.Bottom, Black);
      FillRect(Plain, {r.Left - 1, r.Top - 1, r.Left, r.Bottom + 1}, Black);
      FillRect(Plain, {r.Right, r.Top - 1, r.Right + 1, r.Bottom + 1}, Black);
    }
    int accessKey = -1;
    const std::string caption = ShownCaption(Buttons[static_cast<size_t>(i)].Caption, accessKey);
    const int x = r.Left + (r.Width() - LayoutWidth(caption)) / 2;
    const int y = r.Top + (r.Height() - GlyphHeight) / 2;
    DrawText(x, y, caption, Black, 1 << 30, accessKey);
    if (i == Focused)
      for (int p = r.Left + 3; p < r.Right - 3; p += 2) {
        Plain.SetPixel(p, r.Top + 3, Black);
        Plain.SetPixel(p, r.Bottom - 4, Black);
      }
  }
}

void TDialogForm::DrawText(int x, int y, const std::string& text, TColor32 colour, int limit, int underlined,
                           bool bold) {
  Pending.push_back({x, y, text, colour, limit, underlined, bold});
}

void TDialogForm::DrawPendingText(const TPendingText& text) {
  if (!Renderer) {
    DrawBitmapText(text);
    return;
  }
  const int x = text.X * Scale;
  // In the middle of the 13 layout pixels a line of the game's letters takes.
  const int y = text.Y * Scale + (GlyphHeight * Scale - Renderer->LineHeight()) / 2;
  const int limit = static_cast<int>(std::min<int64_t>(int64_t{text.Limit} * Scale, Canvas.Width()));
  const TPixelTarget target{Canvas.Bits(), Canvas.Width(), Canvas.Height(), Canvas.Width()};
  const TPixelArea clip{0, 0, limit, Canvas.Height()};
  Renderer->DrawText(target, x, y, text.Text, text.Colour, clip);
  if (text.Bold) Renderer->DrawText(target, x + Scale, y, text.Text, text.Colour, clip);
  if (text.Underlined < 0) return;
  const size_t at = static_cast<size_t>(text.Underlined);
  const int from = x + PictureWidth(text.Text.substr(0, at));
  const int to = from + PictureWidth(text.Text.substr(at, CharacterLength(text.Text, at)));
  const int below = y + Renderer->Ascent() + Scale;
  FillRect(Canvas, {from, below, to, below + Scale}, text.Colour);
}

void TDialogForm::DrawBitmapText(const TPendingText& text) {
  if (Font->Empty()) return;
  // Each pixel of the game's letters a square of Scale x Scale.
  const auto dot = [&](int x, int y) { FillRect(Canvas, {x * Scale, y * Scale, (x + 1) * Scale, (y + 1) * Scale}, text.Colour); };
  int x = text.X;
  const int passes = text.Bold ? 2 : 1;
  for (size_t at = 0; at < text.Text.size(); at += CharacterLength(text.Text, at)) {
    if (x + GlyphWidth > text.Limit) break;
    const char c = text.Text[at];
    for (int pass = 0; pass < passes; ++pass) {
      const int left = x + pass;
      if (CharacterLength(text.Text, at) == 1 && c >= FirstGlyph && c <= LastGlyph) {
        const int cell = (c - FirstGlyph) * GlyphWidth;
        for (int row = 0; row < GlyphHeight; ++row)
          for (int column = 0; column < GlyphWidth; ++column)
            if (Font->Pixel(cell + column, row) & 0xFFFFFF) dot(left + column, text.Y + row);
      } else {
        // A character beyond the letters' ASCII: an empty box in its place.
        for (int row = 3; row <= 11; ++row)
          for (int column = 1; column <= 5; ++column)
            if (row == 3 || row == 11 || column == 1 || column == 5) dot(left + column, text.Y + row);
      }
    }
    if (static_cast<int>(at) == text.Underlined)
      for (int column = 0; column < 5; ++column) dot(x + column, text.Y + 11);
    x += GlyphWidth;
  }
}

void TDialogForm::KeyDown(uint16_t key) {
  const int visible = TextEdit.Height() / GlyphHeight;
  constexpr uint16_t Tab = 9, Up = 38, Down = 40;
  if (key == VK_RETURN && Focused >= 0) ModalResult = Buttons[static_cast<size_t>(Focused)].Kind;
  if (key == VK_ESCAPE) ModalResult = mrCancel;
  if (key == Tab && !Buttons.empty()) Focused = (Focused + 1) % static_cast<int>(Buttons.size());
  if (key == Down && FirstLine + visible < static_cast<int>(Lines.size())) ++FirstLine;
  if (key == Up && FirstLine > 0) --FirstLine;
  // The access key of a button presses it.
  for (const TDialogButton& button : Buttons) {
    int accessKey = -1;
    const std::string caption = ShownCaption(button.Caption, accessKey);
    if (accessKey >= 0 && UpCaseChar(caption[static_cast<size_t>(accessKey)]) == static_cast<char>(key))
      ModalResult = button.Kind;
  }
  Draw();
}

void TDialogForm::MouseDown(int x, int y) {
  x /= Scale;
  y /= Scale;
  const auto inside = [x, y](const TRect& r) { return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom; };
  if (inside(CloseBoxRect())) ModalResult = mrCancel;
  for (int i = 0; i < static_cast<int>(Buttons.size()); ++i)
    if (inside(ButtonRect(i))) ModalResult = Buttons[static_cast<size_t>(i)].Kind;
}

int TDialogForm::ShowModal() {
  TPlatform& platform = CurrentPlatform();
  // Nothing of the game may run while the player reads the message.
  platform.Timers().Hold();
  auto window = platform.CreateWindow(TWindowKind::Menu);
  Place(*window);
  // Another screen size or scale: the dialog is sized for it and centred again at once.
  window->OnScreenChanged = [this, &window] {
    if (Rescale()) Draw();
    Place(*window);
  };
  window->SetCaption(Title);
  window->OnKeyDown = [this](uint16_t key) { KeyDown(key); };
  window->OnMouseDown = [this](int x, int y) { MouseDown(x, y); };
  ModalResult = mrNone;
  window->Show();
  platform.BringToFront();
  while (ModalResult == mrNone) {
    window->Present(Canvas.View());
    ProcessMessagesSafe();
    if (ModalResult == mrNone) platform.WaitForMessage(100);
  }
  window->Hide();
  // The click or key that closed the dialog, and every click that went to it, are spent:
  // the game behind it does not see them.
  ForgetPresses();
  platform.Timers().Release();
  return ModalResult;
}

void TDialogForm::Place(TPlatformWindow& window) {
  const TScreenSize screen = CurrentPlatform().ScreenSize();
  // On a screen smaller than the dialog, its top-left stays on it: the title and the text.
  window.SetBounds(std::max(0, (screen.Width - Canvas.Width()) / 2), std::max(0, (screen.Height - Canvas.Height()) / 2),
                   Canvas.Width(), Canvas.Height());
}

int ShowDialog(const std::string& title, const std::string& heading, const std::string& text, uint8_t /*kind*/,
               uint8_t defaultKind, const std::vector<TDialogButton>& buttons) {
  if (std::this_thread::get_id() != UserInterfaceThread) {
    std::string lines = text;
    std::replace(lines.begin(), lines.end(), '\0', '\n');
    CurrentPlatform().ShowMessageBox(title.empty() ? "Bericht" : title, lines);
    return mrOk;
  }
  const TWaitingDialog asked{title, heading, text, defaultKind, buttons};
  if (ShownDialogs > 0) {
    // Never a dialog inside another's loop, however many ask: each follows in turn.
    if (std::find(Waiting.begin(), Waiting.end(), asked) == Waiting.end()) Waiting.push_back(asked);
    return mrCancel;
  }
  ++ShownDialogs;
  int result = mrCancel;
  try {
    result = ShowNow(asked);
    while (!Waiting.empty()) {
      const TWaitingDialog next = Waiting.front();
      Waiting.erase(Waiting.begin());
      ShowNow(next);
    }
  } catch (...) {
    --ShownDialogs;
    throw;
  }
  --ShownDialogs;
  return result;
}

bool DialogIsShown() { return ShownDialogs > 0; }

void ShowMessageForm(const std::string& text, uint8_t kind) { ShowDialog("", "", text, kind, 0, {{"&Ok", mrOk}}); }
