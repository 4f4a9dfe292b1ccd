// Which monitor the game plays on, and the translation between its pixels and the desktop's.
#pragma once

#include <optional>

// A monitor's place on the desktop. The primary monitor's top-left corner is (0, 0);
// the others may lie at negative coordinates, left of or above it.
struct TMonitorRect {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  bool operator==(const TMonitorRect&) const = default;
};

// What the choice asks of the system; tests give it monitors of their own.
class TMonitorSource {
 public:
  virtual ~TMonitorSource() = default;
  // The pointer in desktop pixels, when it can be read.
  virtual std::optional<TMonitorRect> PointerMonitor() = 0;
  // The monitor holding the desktop point (X, Y), or the nearest one to it.
  virtual TMonitorRect MonitorNear(int x, int y) = 0;
  // The primary monitor.
  virtual TMonitorRect PrimaryMonitor() = 0;
};

// The game plays on one monitor: the one holding the pointer when a game's window is
// shown. While that window is hidden (the menu, between games) the choice follows the
// pointer each time the size is asked for, so the menu and the next game open where
// the player is. Every position the game sees or gives is relative to the chosen
// monitor's top-left corner.
class TGameMonitor {
 public:
  explicit TGameMonitor(TMonitorSource& source);

  // The game's window is being shown: choose the pointer's monitor and keep it.
  void Lock();
  // The game's window is hidden: the choice may follow the pointer again.
  void Unlock() { Locked = false; }
  // The chosen monitor, read anew so that a changed resolution is followed.
  TMonitorRect Current();

  void ToDesktop(int& x, int& y) const;
  void ToMonitor(int& x, int& y) const;

 private:
  void Choose();

  TMonitorSource& Source;
  TMonitorRect Chosen;
  bool Locked = false;
};
