// The one interface between the game and the operating system: time, messages,
// windows, global input, cursors, sound, shell, dialogs and files. Only platform/
// implements it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Timer.h"

// Why an address could not be opened after all: an errno value, and the desktop
// opener's name when it was the opener that could not be found or started.
struct TOpenFailure {
  int Error = 0;
  std::string MissingOpener;
};
using TOpenFailureHandler = std::function<void(const TOpenFailure& failure)>;

// A read-only view of 32-bit pixels (alpha 24-31, red 16-23, green 8-15, blue 0-7).
// Stride is in pixels.
struct TPixelView {
  const uint32_t* Pixels = nullptr;
  int Width = 0;
  int Height = 0;
  int Stride = 0;

  const uint32_t* Row(int y) const { return Pixels + static_cast<std::ptrdiff_t>(y) * Stride; }
};

// A rectangle of window pixels.
struct TPixelArea {
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
};

struct TScreenSize {
  int Width = 0;
  int Height = 0;
};

// 32-bit pixels to draw into, laid out as TPixelView's.
struct TPixelTarget {
  uint32_t* Pixels = nullptr;
  int Width = 0;
  int Height = 0;
  int Stride = 0;

  uint32_t* Row(int y) const { return Pixels + static_cast<std::ptrdiff_t>(y) * Stride; }
};

// Text in any script (UTF-8) in the desktop's user-interface font, drawn into pixels:
// each glyph blends its colour over what is there by how much of the pixel it covers.
// A character that no font of the system has shows as an empty box.
class TTextRenderer {
 public:
  virtual ~TTextRenderer() = default;
  // From a line's top to its baseline, and from one line's top to the next one's.
  virtual int Ascent() const = 0;
  virtual int LineHeight() const = 0;
  // How far the pen moves over Text.
  virtual int TextWidth(const std::string& text) = 0;
  // Draws Text with its line's top-left corner at (X, Y), inside Clip only. Colour's
  // alpha is ignored.
  virtual void DrawText(const TPixelTarget& target, int x, int y, const std::string& text, uint32_t colour,
                        const TPixelArea& clip) = 0;
};

// Key codes are those of the Windows virtual keys the game was designed around:
// letters 'A'..'Z' (65..90), digits '0'..'9' (48..57), Backspace 8, Enter 13,
// Escape 27, Delete 46, numeric keypad 0..9 as 96..105, F1..F24 as 112..135.
// The menu reads a code as a character, so keypad 1 (97) types "A": that is the
// game's own rule, which is why the back ends translate to these codes.
enum TVirtualKey : uint16_t {
  VK_BACK = 8,
  VK_RETURN = 13,
  VK_ESCAPE = 27,
  VK_DELETE = 46,
  VK_NUMPAD0 = 96,
  VK_F1 = 112,
};

enum class TWindowKind {
  // Full-screen game window: what the game does not cover (alpha 0, see Present) is
  // see-through and lets clicks pass; raising it never takes the keyboard focus.
  Overlay,
  // Opaque top-most window (the menu): takes the focus when brought to the front
  // and receives key presses and left clicks.
  Menu,
};

class TPlatformWindow {
 public:
  virtual ~TPlatformWindow() = default;

  // Places the window in screen pixels; an Overlay ignores this and always covers the screen.
  virtual void SetBounds(int left, int top, int width, int height) = 0;
  // Maps the window above every other window. Does nothing when it is already shown.
  virtual void Show() = 0;
  // Unmaps the window; whatever was beneath shows again at once.
  virtual void Hide() = 0;
  virtual bool IsVisible() const = 0;
  // The window's title, for window lists and the like.
  virtual void SetCaption(const std::string& caption) { Caption = caption; }
  const std::string& GetCaption() const { return Caption; }

  // Puts a picture of the window's size on screen, top-left at the window's origin.
  // The picture is copied before the call returns. A Menu's picture is opaque (its
  // alpha is not shown). An Overlay's picture is premultiplied ARGB, alpha the part
  // of the pixel the game covers (platform/Coverage.h): shown as it is where the
  // desktop blends per pixel, and otherwise as a shape of what the game drew, each
  // pixel with its colour divided by its coverage (platform/Coverage.h). For an
  // Overlay, Source may name the smaller picture that Picture was enlarged from by
  // bilinear filtering (every pixel of it that is not pure black covers its place), so
  // that the back end can cut its shape from it; it may be null.
  virtual void Present(const TPixelView& picture, const TPixelView* source = nullptr) = 0;
  // As Present, for a picture of the window's size that differs from the one presented
  // last only inside Changed: a back end may send just those parts.
  virtual void PresentChanged(const TPixelView& picture, const std::vector<TPixelArea>& changed,
                              const TPixelView* source = nullptr) {
    (void)changed;
    Present(picture, source);
  }

  // Handlers run only inside message processing. Key codes are TVirtualKey values;
  // mouse positions are window pixels of a left-button press.
  std::function<void(uint16_t key)> OnKeyDown;
  std::function<void(int x, int y)> OnMouseDown;
  // The screen the window is on changed its size or its scale (a monitor unplugged, a
  // mode or a setting changed, the window moved to another monitor): its owner places
  // and sizes it anew. Runs only inside message processing.
  std::function<void()> OnScreenChanged;

 private:
  std::string Caption;
};

class TPlatform {
 public:
  virtual ~TPlatform() = default;

  // Milliseconds of a 32-bit counter that wraps after about 49.7 days.
  virtual uint32_t TickCount() = 0;

  // Runs every pending window event and every due timer, then returns; never blocks.
  virtual void ProcessMessages() = 0;
  // Blocks until a window event or a due timer is waiting, or until timeoutMs have
  // passed, whichever comes first. Runs no handler itself.
  virtual void WaitForMessage(uint32_t timeoutMs) = 0;

  // The game plays on one monitor: the one holding the pointer when the Overlay is shown
  // at the start of a game (the primary one when that cannot be known). Its size in
  // pixels, read anew each call so that a changed resolution is followed. Every screen
  // position the game sees or gives (the pointer, SetPointerPos, SetBounds) is relative
  // to that monitor's top-left corner, and may lie outside it.
  virtual TScreenSize ScreenSize() = 0;
  // How many screen pixels the desktop gives one pixel of an ordinary window on that
  // monitor: 1 at the usual 96 dots per inch, 1.5 at 150 %, 2 on a high-density screen
  // set to 200 %. The menu and the dialogs grow by it.
  virtual double InterfaceScale() { return 1.0; }
  // A renderer of the desktop's user-interface font, its em PixelSize screen pixels
  // high; null when the system has no usable font (the reason is said once).
  virtual std::unique_ptr<TTextRenderer> CreateTextRenderer(int pixelSize) {
    (void)pixelSize;
    return nullptr;
  }

  virtual std::unique_ptr<TPlatformWindow> CreateWindow(TWindowKind kind) = 0;

  // Raises the shown windows above all others; the Menu window also takes the focus.
  // A back end may leave them where they are while no other window covers them, and
  // raises nothing while the screen is locked.
  virtual void BringToFront() = 0;
  // True while the screen saver runs or a screen locker holds the screen: nothing of the
  // game can be seen or played then, so a game holds its clock until it is false again.
  // Cheap enough to ask on every pass of a loop; false where it cannot be known.
  virtual bool ScreenLocked() { return false; }
  // True while one of the program's windows has the keyboard focus.
  virtual bool IsApplicationActive() = 0;

  // The pointer in screen pixels; false when it cannot be read (x, y unchanged).
  virtual bool GetPointerPos(int& x, int& y) = 0;
  virtual void SetPointerPos(int x, int y) = 0;
  // Presses and releases the left button where the pointer is.
  virtual void InjectLeftClick() = 0;
  // Bit 1 left, 2 right, 4 middle: a button counts when it is held now or was
  // pressed since the previous call. Reading clears what was remembered.
  virtual unsigned MouseButtonsDown() = 0;
  // True while the Escape key is held, or when it was pressed since the previous call.
  virtual bool EscapeHeld() = 0;
  // Forgets every button and Escape press made so far, remembered or still held: until pressed anew, they count no more.
  virtual void ForgetPresses() = 0;

  // Shows the cursor resource Name in place of every standard cursor of every
  // application. False, changing nothing, when there is no such cursor resource.
  virtual bool InstallCursor(const std::string& name) = 0;
  // Gives every application back its standard cursors.
  virtual void RestoreCursors() = 0;

  // Starts one playback of the sound resource Name (letter case ignored) and returns
  // at once; sounds started one after the other play together. False when it cannot
  // be heard (no such sound, no audio output).
  virtual bool PlaySound(const std::string& name) = 0;
  // While nothing is to be heard for a long time (the menu waits), the audio output
  // may close once it has been quiet a moment, so that the sound system sleeps too;
  // with false it is open again, ready for the next sound without delay.
  virtual void LetSoundRest(bool rest) { (void)rest; }
  // How loud every sound is from now on, in percent of its own loudness (100 until set):
  // 0 is silent (nothing plays, and the output may stay closed), 1..100 scales every sound.
  virtual void SetSoundVolume(int percent) = 0;

  // Starts opening a document or web address with the desktop's default handler and
  // returns as soon as the opener has begun, never waiting for it. False when it cannot
  // even begin; errno then says why. A failure found later (the opener ends with an
  // error) goes to OnLaterFailure once, from within ProcessMessages. While an opening
  // is still being watched, another one starts nothing and counts as begun.
  virtual bool OpenAddress(const std::string& address, TOpenFailureHandler onLaterFailure) = 0;
  // After OpenAddress failed at once: the name of the desktop's opener when it was the
  // opener that could not be found or started (the address none of the fault); else empty.
  virtual std::string MissingOpener() { return {}; }
  // Starts a program by command line; with Wait, returns when it has ended.
  virtual bool StartProgram(const std::string& commandLine, bool wait) = 0;
  // A modal box with one OK button; returns when the player has closed it. Only for the
  // thread that runs ProcessMessages: a back end whose windows belong to that thread
  // queues a box asked for elsewhere and shows it from there.
  virtual void ShowMessageBox(const std::string& caption, const std::string& text) = 0;

  // Makes this the only game of this user on this desktop for as long as the platform
  // lives. False when another one runs there already: that one has been asked to come
  // to the front, and Message says so in one line for the player.
  virtual bool BecomeSoleGame(std::string& message) {
    (void)message;
    return true;
  }

  // The files of the game and the folders they live in.
  virtual TFileSystem& Files() = 0;

  // The timers of the program; back ends fire the due ones in ProcessMessages.
  TTimerQueue& Timers() { return TimerQueue; }

  // What the program does when it is ended from outside: the display's connection
  // broke (its server or compositor died), a stop signal came, the session ends. The
  // back ends run Handler once, on the thread that runs ProcessMessages, just before the
  // program ends; the display may be gone by then, so it keeps what must not be lost
  // (files) and shows nothing. Null for nothing to do.
  void SetEndingHandler(std::function<void()> handler) { EndingHandler = std::move(handler); }

 protected:
  // Runs the ending handler unless it has run or is running already; whatever it
  // throws is dropped, as the program ends anyway.
  void RunEndingHandler();

 private:
  TTimerQueue TimerQueue;
  std::function<void()> EndingHandler;
  bool EndingHandled = false;
};

// The platform the program runs on. The entry point (or a test) installs it before
// anything else runs and removes it last; the operating system is a single shared
// service, and this is the program's one handle on it.
TPlatform& CurrentPlatform();
void InstallPlatform(TPlatform* platform);
bool HasPlatform();
