// RandR's monitor list and the choice of the monitor to play on.
#include "platform/x11/X11Monitors.h"

#include <X11/extensions/Xrandr.h>

namespace {

bool Holds(const TPixelArea& area, int x, int y) {
  return x >= area.X && x < area.X + area.Width && y >= area.Y && y < area.Y + area.Height;
}

}  // namespace

std::vector<TX11Monitor> ReadMonitors(Display* dpy, Window root) {
  std::vector<TX11Monitor> monitors;
  int count = 0;
  XRRMonitorInfo* found = XRRGetMonitors(dpy, root, True, &count);
  if (found == nullptr) return monitors;
  for (int i = 0; i < count; ++i) {
    const XRRMonitorInfo& m = found[i];
    if (m.width <= 0 || m.height <= 0) continue;
    monitors.push_back({m.name, m.primary != 0, {m.x, m.y, m.width, m.height}});
  }
  XRRFreeMonitors(found);
  return monitors;
}

const TX11Monitor* ChooseMonitor(const std::vector<TX11Monitor>& monitors, bool pointerKnown, int pointerX,
                                 int pointerY) {
  if (monitors.empty()) return nullptr;
  if (pointerKnown)
    for (const TX11Monitor& monitor : monitors)
      if (Holds(monitor.Area, pointerX, pointerY)) return &monitor;
  for (const TX11Monitor& monitor : monitors)
    if (monitor.Primary) return &monitor;
  return &monitors.front();
}

const TX11Monitor* FindMonitor(const std::vector<TX11Monitor>& monitors, Atom name) {
  for (const TX11Monitor& monitor : monitors)
    if (monitor.Name == name) return &monitor;
  return nullptr;
}
