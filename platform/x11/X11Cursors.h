// Replacing the standard cursors of every application on the display, and giving them back.
#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <span>
#include <vector>

#include "platform/Platform.h"

class TX11Display;
class TX11DrawnCursor;
struct _XcursorImage;
typedef struct _XcursorImage XcursorImage;

// The names applications load the standard cursors by, in every theme convention.
std::span<const char* const> StandardCursorNames();
// Picture (straight-alpha ARGB) as a cursor image with its hot spot; null when it cannot be made.
XcursorImage* NewCursorImage(const TPixelView& picture, int hotX, int hotY);
// Gives every standard name its theme's cursor back and removes the root window's
// record of a replacement. Needs nothing but a connection, for a crash's helper process.
void RestoreStandardCursors(Display* dpy);

// Four ways to show the gun, chosen when the connection opens:
// - Replace: the server swaps every named standard cursor of every application for
//   ours (XFixes 2 names cursors, Xcursor makes colour ones).
// - Draw: without those, or with BLASTOVER_NO_XFIXES_CURSORS=1, the pointer is hidden
//   everywhere (XFixes 4; the server shows it again if we die) and the picture is drawn
//   at the pointer by a window of ours that follows it.
// - OwnWindow: under XWayland, where replacing reaches only X programs, the gun is the
//   game window's own cursor, which the window shows wherever the pointer is during play.
// - Off: without XFixes at all the desktop keeps its cursors and the gun is not shown.
// The server keeps replaced cursors after we disconnect, even after a crash. So the
// replacement is recorded as a property of the root window, and the next run to find
// it there as it starts gives the standard cursors back.
class TX11Cursors {
 public:
  explicit TX11Cursors(TX11Display& connection);
  ~TX11Cursors();
  TX11Cursors(const TX11Cursors&) = delete;
  TX11Cursors& operator=(const TX11Cursors&) = delete;

  // Shows Picture (straight-alpha ARGB, at most 256 x 256) with its hot spot at
  // (HotX, HotY) in place of every standard cursor; false when that cannot be done.
  bool Install(const TPixelView& picture, int hotX, int hotY);
  // Gives back the cursors of the theme, if they were replaced by this or a killed run,
  // and the pointer, if it was hidden.
  void Restore();
  // Gives back the cursors a killed run left replaced. Only for the display's one game:
  // another game that is running has its gun up by the same record.
  void RepairAfterKilledRun();
  bool Replaced() const { return IsReplaced; }

  // True while the gun is drawn by our window rather than shown by the server.
  bool Drawing() const;
  // The pointer is now at the screen point (X, Y): a drawn gun follows it.
  void FollowPointer(int x, int y);
  // Keeps a drawn gun above the program's windows after they were raised.
  void Raise();
  // The drawn gun's window, None when there is none.
  Window DrawnWindow() const;

 private:
  enum class TMode { Replace, Draw, OwnWindow, Off };

  bool MarkerPresent();
  bool Replace(const TPixelView& picture, int hotX, int hotY);
  bool Draw(const TPixelView& picture, int hotX, int hotY);
  std::vector<Window> GameWindows() const;

  TX11Display& Connection;
  Atom Marker;
  TMode Mode = TMode::Off;
  bool IsReplaced = false;
  bool PointerHidden = false;
  std::unique_ptr<TX11DrawnCursor> Drawn;
};
