// Choosing the game's monitor and translating positions to and from it.
#include "platform/win32/GameMonitor.h"

TGameMonitor::TGameMonitor(TMonitorSource& source) : Source(source) { Choose(); }

void TGameMonitor::Choose() {
  const std::optional<TMonitorRect> pointer = Source.PointerMonitor();
  Chosen = pointer ? *pointer : Source.PrimaryMonitor();
}

void TGameMonitor::Lock() {
  Choose();
  Locked = true;
}

TMonitorRect TGameMonitor::Current() {
  if (!Locked) {
    Choose();
    return Chosen;
  }
  // The same monitor, found by its corner: its size may have changed since.
  Chosen = Source.MonitorNear(Chosen.Left, Chosen.Top);
  return Chosen;
}

void TGameMonitor::ToDesktop(int& x, int& y) const {
  x += Chosen.Left;
  y += Chosen.Top;
}

void TGameMonitor::ToMonitor(int& x, int& y) const {
  x -= Chosen.Left;
  y -= Chosen.Top;
}
