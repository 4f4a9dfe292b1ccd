// The monitors of the X screen, from RandR's monitor list, and the one the game plays on.
#pragma once

#include <X11/Xlib.h>

#include <vector>

#include "platform/Platform.h"

struct TX11Monitor {
  Atom Name = None;
  bool Primary = false;
  TPixelArea Area;  // in pixels of the root window
};

// The active monitors as RandR 1.5 lists them; empty when the server cannot list them.
std::vector<TX11Monitor> ReadMonitors(Display* dpy, Window root);

// The monitor to play on: the one holding the pointer when that is known (a point
// on a seam belongs to the monitor to its right or below), else the primary one, else
// the first. Null when there is none.
const TX11Monitor* ChooseMonitor(const std::vector<TX11Monitor>& monitors, bool pointerKnown, int pointerX,
                                 int pointerY);

// The monitor named Name, null when it is gone.
const TX11Monitor* FindMonitor(const std::vector<TX11Monitor>& monitors, Atom name);
