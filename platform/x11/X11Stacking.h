// Keeping the game's windows above the desktop's without fighting windows that keep
// themselves on top, and knowing when the screen is locked.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <functional>
#include <optional>

class TX11Display;

// The game's windows lie above every other window, but a screen locker (and any window
// that keeps itself on top) raises itself again whenever it is covered. So the windows
// are raised only when one of them is actually covered by a window of another program,
// at most every MinRaiseGapMs. When the same window covers them again at once after
// two raises in a row, it keeps itself on top: each further raise above it waits four
// times as long as the one before. While the screen saver is on (MIT-SCREEN-SAVER) or
// another program holds the keyboard (a locker, an open pop-up menu), nothing is raised.
class TX11Stacking {
 public:
  static constexpr uint32_t MinRaiseGapMs = 250;
  static constexpr uint32_t MaxRaiseGapMs = 60000;
  // A window that covers ours again this soon after our raise answers it.
  static constexpr uint32_t AnswerMs = 200;

  explicit TX11Stacking(TX11Display& connection);

  // Takes a notice of the screen saver, or of a window of another program mapped,
  // restacked or gone (Now is the tick it is taken at); false for any other event.
  bool HandleEvent(const XEvent& event, uint32_t now);
  // Asks for a look at the stacking at the next chance: the game wants to be in front.
  void Ask() { Wanted = true; }
  // When a look is wanted and due: raises the game's windows by Raise if one of them is
  // covered, the screen is not locked and the last raise was long enough ago.
  void KeepOnTop(uint32_t now, const std::function<void()>& raise);
  // Milliseconds until a wanted look is due; none when none is wanted.
  std::optional<uint32_t> TimeToLook(uint32_t now) const;
  // True while the screen saver is on, or a window of a program that holds the keyboard
  // covers the whole screen above ours, as a screen locker does.
  bool Locked() const { return SaverOn || LockedByWindow; }
  // True while another program holds the keyboard, as last looked.
  bool KeyboardHeldElsewhere() const { return GrabbedElsewhere; }

 private:
  struct TCover {
    Window Coverer = None;
    bool WholeScreen = false;
  };
  // The topmost window of another program that covers a shown window of ours.
  TCover FindCover();
  // Tries the keyboard for a moment: another program holds it when that fails.
  bool ProbeKeyboard();
  void Restacked(Window window, uint32_t now);
  void Gone(Window window);

  TX11Display& Connection;
  bool SaverExtension = false;
  int SaverEventBase = 0;
  bool SaverOn = false;
  bool GrabbedElsewhere = false;
  bool LockedByWindow = false;
  bool Wanted = true;
  uint32_t LastLook = 0;
  uint32_t LastRaise = 0;
  bool Raised = false;
  // Whether the coverer's first restack after our last raise has been judged.
  bool Judged = true;
  uint32_t Gap = MinRaiseGapMs;
  // The window that covered ours at our last raise, and how many raises in a row it answered.
  Window LastCoverer = None;
  int Answers = 0;
};
