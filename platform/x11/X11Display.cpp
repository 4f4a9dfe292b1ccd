// The X connection: opening it, its extensions, and how X errors are handled.
#include "platform/x11/X11Display.h"

#include <X11/extensions/XInput2.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/shape.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/x11/X11Monitors.h"
#include "platform/x11/X11Window.h"
#include "platform/x11/X11XWayland.h"

namespace {

bool LostConnection = false;
// The connections open now, so that a broken one's owner can be told.
std::vector<TX11Display*> OpenDisplays;
int TrappedError = 0;
// Distinct (error, request) pairs already logged, so that a repeating fault does not flood stderr.
std::set<std::pair<int, int>> LoggedErrors;

int LogError(Display* dpy, XErrorEvent* event) {
  if (!LoggedErrors.insert({event->error_code, event->request_code}).second) return 0;
  char text[160] = {};
  XGetErrorText(dpy, event->error_code, text, sizeof text);
  std::fprintf(stderr, "blastover: X error %s (request %d.%d)\n", text, event->request_code, event->minor_code);
  return 0;
}

int TrapError(Display*, XErrorEvent* event) {
  if (TrappedError == 0) TrappedError = event->error_code;
  return 0;
}

// Nothing more can be shown without the server (not even giving back the cursors,
// which the server keeps as they are): say so, keep what must not be lost, and end
// rather than hang.
int ConnectionBroken(Display* dpy) {
  LostConnection = true;
  std::fputs("blastover: the connection to the X display was lost\n", stderr);
  for (TX11Display* display : OpenDisplays)
    if (display->Dpy() == dpy && display->OnLost) display->OnLost();
  std::exit(1);
}

}  // namespace

std::unique_ptr<TX11Display> TX11Display::Open(const std::string& name, std::string& error) {
  Display* handle = XOpenDisplay(name.empty() ? nullptr : name.c_str());
  if (handle == nullptr) {
    const char* shown = XDisplayName(name.empty() ? nullptr : name.c_str());
    error = std::string("cannot open display ") +
            (shown != nullptr && *shown != '\0' ? std::string("\"") + shown + "\"" : "(DISPLAY is not set)");
    return nullptr;
  }
  XSetErrorHandler(LogError);
  XSetIOErrorHandler(ConnectionBroken);
  LostConnection = false;
  return std::unique_ptr<TX11Display>(new TX11Display(handle));
}

TX11Display::TX11Display(Display* handle)
    : Handle(handle), ScreenNumber(DefaultScreen(handle)), RootId(RootWindow(handle, ScreenNumber)) {
  const std::string selection = "_NET_WM_CM_S" + std::to_string(ScreenNumber);
  CompositorAtom = XInternAtom(Handle, selection.c_str(), False);
  FindExtensions();
  ChoosePlayMonitor();
  OpenDisplays.push_back(this);
}

TX11Display::~TX11Display() {
  std::erase(OpenDisplays, this);
  if (!LostConnection) XCloseDisplay(Handle);
}

void TX11Display::FindExtensions() {
  int event = 0, error = 0, major = 0, minor = 0;
  Found.Shape = XShapeQueryExtension(Handle, &event, &error) && XShapeQueryVersion(Handle, &major, &minor) &&
                (major > 1 || (major == 1 && minor >= 1));
  if (!Found.Shape) Warn("no SHAPE 1.1 extension: black cannot pass clicks, nor be see-through without a compositor");

  const char* noShm = std::getenv("BLASTOVER_NO_SHM");
  const bool shmRefused = noShm != nullptr && std::strcmp(noShm, "1") == 0;
  if (!shmRefused) {
    Found.Shm = XShmQueryExtension(Handle);
    if (Found.Shm) Found.ShmEventBase = XShmGetEventBase(Handle);
    else Warn("no MIT-SHM extension: frames are sent with XPutImage");
  }

  int firstEvent = 0;
  const char* noXInput2 = std::getenv("BLASTOVER_NO_XINPUT2");
  const bool xinput2Refused = noXInput2 != nullptr && std::strcmp(noXInput2, "1") == 0;
  if (!xinput2Refused && XQueryExtension(Handle, "XInputExtension", &Found.XInputOpcode, &firstEvent, &error)) {
    major = 2;
    minor = 2;
    Found.XInput2 = XIQueryVersion(Handle, &major, &minor) == Success && (major > 2 || (major == 2 && minor >= 1));
  }
  if (!Found.XInput2) Warn("no XInput 2.1: mouse buttons and Escape are polled, so very quick presses may be missed");

  if (XFixesQueryExtension(Handle, &Found.XFixesEventBase, &error)) {
    major = 5;
    minor = 0;
    if (XFixesQueryVersion(Handle, &major, &minor)) Found.XFixesMajor = major;
    Found.XFixes = Found.XFixesMajor >= 2;
  }

  Found.XTest = XTestQueryExtension(Handle, &event, &error, &major, &minor);
  if (!Found.XTest) Warn("no XTEST extension: the program cannot click by itself");

  if (XRRQueryExtension(Handle, &Found.RandREventBase, &error) && XRRQueryVersion(Handle, &major, &minor))
    Found.RandR = major > 1 || (major == 1 && minor >= 5);

  Found.XWayland = TX11XWayland::Detect(Handle);
  if (Found.XWayland)
    Warn("under XWayland: the game window takes all pointer input during play and shows the gun as its own cursor");
}

void TX11Display::ChoosePlayMonitor() {
  Window root = None, child = None;
  int x = 0, y = 0, windowX = 0, windowY = 0;
  unsigned buttons = 0;
  // False when the pointer is on another screen of the display.
  const bool known = XQueryPointer(Handle, RootId, &root, &child, &x, &y, &windowX, &windowY, &buttons) == True;
  const std::vector<TX11Monitor> monitors = Found.RandR ? ReadMonitors(Handle, RootId) : std::vector<TX11Monitor>{};
  if (const TX11Monitor* chosen = ChooseMonitor(monitors, known, x, y)) {
    PlayMonitor = chosen->Name;
    Play = chosen->Area;
    return;
  }
  PlayMonitor = None;
  unsigned width = 0, height = 0, border = 0, depth = 0;
  XGetGeometry(Handle, RootId, &root, &x, &y, &width, &height, &border, &depth);
  Play = {0, 0, static_cast<int>(width), static_cast<int>(height)};
}

bool TX11Display::FollowPlayMonitor() {
  const TPixelArea before = Play;
  const std::vector<TX11Monitor> monitors = Found.RandR ? ReadMonitors(Handle, RootId) : std::vector<TX11Monitor>{};
  const TX11Monitor* same = PlayMonitor != None ? FindMonitor(monitors, PlayMonitor) : nullptr;
  if (same != nullptr) Play = same->Area;
  else ChoosePlayMonitor();
  return Play.X != before.X || Play.Y != before.Y || Play.Width != before.Width || Play.Height != before.Height;
}

Atom TX11Display::Intern(const char* name) { return XInternAtom(Handle, name, False); }

bool TX11Display::CompositorRunning() { return XGetSelectionOwner(Handle, CompositorAtom) != None; }

void TX11Display::Warn(const std::string& message) {
  if (Warned.insert(message).second) std::fprintf(stderr, "blastover: %s\n", message.c_str());
}

void TX11Display::Register(TX11Window* window) { Registered.push_back(window); }

void TX11Display::Unregister(TX11Window* window) { std::erase(Registered, window); }

TX11Window* TX11Display::FindWindow(Window id) const {
  if (id == None) return nullptr;
  for (TX11Window* window : Registered)
    if (window->Id() == id) return window;
  return nullptr;
}

bool TX11Display::IsOwnWindow(Window id) const {
  return id != None && (std::find(ExtraOwn.begin(), ExtraOwn.end(), id) != ExtraOwn.end() || FindWindow(id) != nullptr);
}

void TX11Display::AddExtraOwnWindow(Window id) {
  if (id != None) ExtraOwn.push_back(id);
}

void TX11Display::RemoveExtraOwnWindow(Window id) { std::erase(ExtraOwn, id); }

bool TX11Display::ConnectionLost() { return LostConnection; }

TX11ErrorTrap::TX11ErrorTrap(Display* dpy) : Dpy(dpy) {
  // Errors of earlier requests belong to the ordinary handler, not to this trap.
  XSync(Dpy, False);
  TrappedError = 0;
  Previous = XSetErrorHandler(TrapError);
}

TX11ErrorTrap::~TX11ErrorTrap() {
  XSync(Dpy, False);
  XSetErrorHandler(Previous);
}

bool TX11ErrorTrap::Failed() {
  XSync(Dpy, False);
  return TrappedError != 0;
}

int TX11ErrorTrap::ErrorCode() const { return TrappedError; }
