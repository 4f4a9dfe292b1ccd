// The X connection shared by the back end's parts: extensions found, atoms, error traps, warnings.
#pragma once

#include <X11/Xlib.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/Platform.h"

class TX11Window;

// Which optional server services this connection can use. Each missing one makes
// its part of the back end fall back to a simpler means (said once on stderr).
struct TX11Extensions {
  bool Shape = false;
  bool Shm = false;  // MIT-SHM offered and not turned off by BLASTOVER_NO_SHM=1
  int ShmEventBase = 0;
  bool XInput2 = false;  // 2.1 or later (raw events without a grab), not turned off by BLASTOVER_NO_XINPUT2=1
  int XInputOpcode = 0;
  bool XFixes = false;  // 2.0 or later: cursor names, selection notices
  int XFixesMajor = 0;   // the version offered, 0 without XFixes (4 can hide the pointer)
  int XFixesEventBase = 0;
  bool XTest = false;
  bool RandR = false;  // 1.5 or later: the list of monitors
  int RandREventBase = 0;
  bool XWayland = false;  // the server is XWayland (see TX11XWayland)
};

class TX11Display {
 public:
  // Null when the display cannot be opened; Name is the display asked for.
  static std::unique_ptr<TX11Display> Open(const std::string& name, std::string& error);
  ~TX11Display();
  TX11Display(const TX11Display&) = delete;
  TX11Display& operator=(const TX11Display&) = delete;

  Display* Dpy() const { return Handle; }
  int Screen() const { return ScreenNumber; }
  Window Root() const { return RootId; }
  const TX11Extensions& Extensions() const { return Found; }

  Atom Intern(const char* name);
  // Atom of the compositing manager's selection for our screen.
  Atom CompositorSelection() const { return CompositorAtom; }
  bool CompositorRunning();
  // True when windows are shown with their alpha: a compositing manager runs, or the
  // server is XWayland, whose windows the Wayland compositor blends itself.
  bool AlphaShown() { return Found.XWayland || CompositorRunning(); }

  // The monitor the game plays on, in root-window pixels: the whole screen when the
  // server lists no monitors. Chosen when the connection opens, and again by
  // ChoosePlayMonitor.
  const TPixelArea& PlayArea() const { return Play; }
  // Plays on the monitor that holds the pointer now, the primary one when none does.
  void ChoosePlayMonitor();
  // After a change of the screen: the same monitor at its new place and size, or one
  // chosen anew when it is gone. True when PlayArea changed.
  bool FollowPlayMonitor();

  // Says Message on stderr, once per distinct message over the connection's life.
  void Warn(const std::string& message);

  // Windows of the back end, so that events can be routed by window id. A window
  // registers itself for its life; the list never owns them.
  void Register(TX11Window* window);
  void Unregister(TX11Window* window);
  TX11Window* FindWindow(Window id) const;
  const std::vector<TX11Window*>& Windows() const { return Registered; }
  bool IsOwnWindow(Window id) const;
  // Windows outside the registry that are ours all the same (the message box, the
  // drawn cursor), from Add until Remove.
  void AddExtraOwnWindow(Window id);
  void RemoveExtraOwnWindow(Window id);
  const std::vector<Window>& ExtraOwnWindows() const { return ExtraOwn; }

  // True once the connection has broken; nothing may be sent after that.
  static bool ConnectionLost();
  // Runs when the connection breaks, just before the program ends; it must not use
  // the connection.
  std::function<void()> OnLost;

 private:
  TX11Display(Display* handle);
  void FindExtensions();

  Display* Handle;
  int ScreenNumber;
  Window RootId;
  Atom CompositorAtom = None;
  TX11Extensions Found;
  Atom PlayMonitor = None;  // RandR's name of the monitor played on
  TPixelArea Play;
  std::set<std::string> Warned;
  std::vector<TX11Window*> Registered;
  std::vector<Window> ExtraOwn;
};

// Catches the X errors of the requests made during its life instead of the
// back end's handler, which only logs them. Failed() syncs first, so a request's
// error has arrived before it is asked. Traps do not nest.
class TX11ErrorTrap {
 public:
  explicit TX11ErrorTrap(Display* dpy);
  ~TX11ErrorTrap();
  TX11ErrorTrap(const TX11ErrorTrap&) = delete;
  TX11ErrorTrap& operator=(const TX11ErrorTrap&) = delete;

  bool Failed();
  int ErrorCode() const;

 private:
  Display* Dpy;
  int (*Previous)(Display*, XErrorEvent*);
};
