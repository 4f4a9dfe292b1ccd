// The X11 platform: message processing, the desktop-wide services, and what it delegates.
#include "platform/x11/X11Platform.h"

#include <cstdio>
#include <cstdlib>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrandr.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <ctime>

#include "platform/PngCodec.h"
#include "platform/fontconfig/FontconfigText.h"
#include "platform/Resources.h"
#include "platform/posix/InstanceLock.h"
#include "platform/sdl/SdlAudio.h"
#include "platform/x11/ProcessLauncher.h"
#include "platform/x11/X11Cursors.h"
#include "platform/x11/X11Display.h"
#include "platform/x11/X11Guard.h"
#include "platform/x11/X11Input.h"
#include "platform/x11/X11Menu.h"
#include "platform/x11/X11MessageBox.h"
#include "platform/x11/X11Overlay.h"
#include "platform/x11/X11Stacking.h"

namespace {

// What a later start sends the running game's selection owner.
constexpr const char* ComeForwardMessage = "_BLASTOVER_COME_FORWARD";

// The selection that the running game of this user holds on the display.
std::string RunningGameSelection() { return "_BLASTOVER_RUNNING_U" + std::to_string(getuid()); }

// The display as one name whatever way it was given: ":1", ":1.0", "unix:1", "unix/:1",
// "local/:1" and "/tmp/.X11-unix/X1" are the same server ("x11-1"); "host:1" and
// "tcp/host:1" are another ("x11-host-1").
std::string DesktopName(const std::string& display) {
  static constexpr const char* SocketFolder = "/tmp/.X11-unix/X";
  if (display.rfind(SocketFolder, 0) == 0) {
    const std::string number = display.substr(std::string(SocketFolder).size());
    return "x11-" + number.substr(0, number.find('.'));
  }
  const size_t colon = display.rfind(':');
  if (colon == std::string::npos) return "x11-" + display;
  std::string host = display.substr(0, colon);
  std::string number = display.substr(colon + 1);
  number = number.substr(0, number.find('.'));
  // A transport ("unix/", "tcp/", "local/") is no part of the server's name; "unix" and
  // "local" are this machine's.
  const size_t slash = host.find('/');
  const std::string transport = slash == std::string::npos ? std::string() : host.substr(0, slash);
  if (slash != std::string::npos) host = host.substr(slash + 1);
  if (transport == "unix" || transport == "local" || host == "unix") host.clear();
  return "x11-" + (host.empty() ? "" : host + "-") + number;
}
}  // namespace

double ScaleFromResources(const std::string& resources) {
  constexpr double OrdinaryDpi = 96.0;
  size_t line = 0;
  while (line < resources.size()) {
    const size_t end = std::min(resources.find('\n', line), resources.size());
    const std::string entry = resources.substr(line, end - line);
    line = end + 1;
    if (entry.rfind("Xft.dpi:", 0) != 0) continue;
    char* stop = nullptr;
    const double dpi = std::strtod(entry.c_str() + 8, &stop);
    if (stop == entry.c_str() + 8 || !(dpi >= OrdinaryDpi / 4 && dpi <= OrdinaryDpi * 16)) return 1.0;
    return dpi / OrdinaryDpi;
  }
  return 1.0;
}

std::unique_ptr<TPlatform> CreateX11Platform(std::string& error) {
  std::unique_ptr<TX11Display> connection = TX11Display::Open("", error);
  if (connection == nullptr) return nullptr;
  // Every window and picture of the game is made of direct colours; a display whose
  // colours go through a palette (8-bit PseudoColor, grey scales) would show nothing.
  const Visual* visual = DefaultVisual(connection->Dpy(), connection->Screen());
  if (visual->c_class != TrueColor) {
    const int depth = DefaultDepth(connection->Dpy(), connection->Screen());
    error = "the display " + std::string(DisplayString(connection->Dpy())) + " has " + std::to_string(depth) +
            "-bit colours from a palette, which the game does not support: it needs a TrueColor display "
            "(15 bits or more)";
    return nullptr;
  }
  return std::make_unique<TX11Platform>(std::shared_ptr<TX11Display>(std::move(connection)));
}

TX11Platform::TX11Platform(std::shared_ptr<TX11Display> connection)
    : Connection(std::move(connection)),
      Input(std::make_unique<TX11Input>(*Connection)),
      Stacking(std::make_unique<TX11Stacking>(*Connection)),
      Cursors(std::make_unique<TX11Cursors>(*Connection)),
      Audio(std::make_unique<TSdlAudio>()),
      Processes(std::make_unique<TProcessLauncher>()),
      Guard(std::make_unique<TX11Guard>(DisplayString(Connection->Dpy()), [this] { StopAtOnce(); })) {
  Display* dpy = Connection->Dpy();
  // Structure: the screen's size. Substructure: other windows mapped or raised over ours.
  // Property: the desktop's resources, where its scale is set.
  XSelectInput(dpy, Connection->Root(), StructureNotifyMask | SubstructureNotifyMask | PropertyChangeMask);
  if (Connection->Extensions().XFixes)
    XFixesSelectSelectionInput(dpy, Connection->Root(), Connection->CompositorSelection(),
                               XFixesSetSelectionOwnerNotifyMask | XFixesSelectionWindowDestroyNotifyMask |
                                   XFixesSelectionClientCloseNotifyMask);
  // Monitors added, removed, moved or resized (the root's size may stay as it was).
  if (Connection->Extensions().RandR)
    XRRSelectInput(dpy, Connection->Root(), RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
  XFlush(dpy);
  Connection->OnLost = [this] { RunEndingHandler(); };
}

TX11Platform::~TX11Platform() {
  // The windows may keep the connection for a while after the platform has gone.
  Connection->OnLost = nullptr;
  if (Messenger != None && !TX11Display::ConnectionLost()) {
    XDestroyWindow(Connection->Dpy(), Messenger);
    XFlush(Connection->Dpy());
  }
}

uint32_t TX11Platform::TickCount() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);  // wraps, as the game expects of its tick counter
}

void TX11Platform::Dispatch(XEvent& event) {
  if (Input->HandleEvent(event)) return;
  if (Stacking->HandleEvent(event, TickCount())) return;
  const TX11Extensions& found = Connection->Extensions();
  if (found.XFixes && event.type == found.XFixesEventBase + XFixesSelectionNotify) {
    // Copied: a window made anew must not disturb the walk over the list.
    const std::vector<TX11Window*> windows = Connection->Windows();
    for (TX11Window* window : windows) window->CompositorChanged();
    return;
  }
  if (found.RandR && (event.type == found.RandREventBase + RRScreenChangeNotify ||
                      event.type == found.RandREventBase + RRNotify)) {
    XRRUpdateConfiguration(&event);
    ScreenChanged();
    return;
  }
  if (event.type == MappingNotify) {
    // A layout chosen while the game runs: the keys' symbols are read anew.
    XRefreshKeyboardMapping(&event.xmapping);
    return;
  }
  if (event.type == ClientMessage && event.xclient.window == Messenger &&
      event.xclient.message_type == Connection->Intern(ComeForwardMessage)) {
    BringToFront();
    return;
  }
  if (event.type == ConfigureNotify && event.xconfigure.window == Connection->Root()) {
    ScreenChanged();
    return;
  }
  if (event.type == PropertyNotify && event.xproperty.window == Connection->Root()) {
    // New resources may set another scale: the menu and a dialog are sized anew.
    if (event.xproperty.atom == XA_RESOURCE_MANAGER) ScreenChanged();
    return;
  }
  if (TX11Window* window = Connection->FindWindow(event.xany.window)) window->HandleEvent(event);
}

void TX11Platform::ScreenChanged() {
  Connection->FollowPlayMonitor();
  const std::vector<TX11Window*> windows = Connection->Windows();
  for (TX11Window* window : windows) window->ScreenChanged();
}

void TX11Platform::RaiseOwnWindows() {
  for (TX11Window* window : Connection->Windows())
    if (window->Kind() == TWindowKind::Overlay) window->Raise();
  for (TX11Window* window : Connection->Windows())
    if (window->Kind() == TWindowKind::Menu) window->Raise();
  Cursors->Raise();
  XFlush(Connection->Dpy());
}

void TX11Platform::KeepOnTop() {
  Stacking->KeepOnTop(TickCount(), [this] { RaiseOwnWindows(); });
}

void TX11Platform::FollowPointer() {
  int x = 0, y = 0;
  if (Cursors->Drawing() && Input->PointerPos(x, y)) Cursors->FollowPointer(x, y);
  const std::vector<TX11Window*> windows = Connection->Windows();
  for (TX11Window* window : windows) window->PointerMoved();
}

void TX11Platform::StopAtOnce() {
  if (TX11Display::ConnectionLost()) return;
  Display* dpy = Connection->Dpy();
  Cursors->Restore();
  for (TX11Window* window : Connection->Windows()) XDestroyWindow(dpy, window->Id());
  for (const Window window : Connection->ExtraOwnWindows()) XDestroyWindow(dpy, window);
  // Done by the server before we go, not merely sent.
  XSync(dpy, False);
  // The desktop first, as it was: a save may wait for another copy's lock a while.
  RunEndingHandler();
}

void TX11Platform::ProcessMessages() {
  TX11Guard::StopIfSignalled();
  Processes->Reap();
  Display* dpy = Connection->Dpy();
  // Only what is there now: a stream of pointer motion must not keep the loop here.
  // A handler may take events out of the queue itself (input polls do), hence XQLength.
  for (int budget = XPending(dpy); budget > 0 && XQLength(dpy) > 0; --budget) {
    XEvent event;
    XNextEvent(dpy, &event);
    Dispatch(event);
  }
  KeepOnTop();
  // A fast mouse reports motion a thousand times a second; following it every few
  // milliseconds is as good for clicks and costs a round trip far less often.
  constexpr uint32_t PointerFollowMs = 8;
  // A jump of the pointer (a warp, as tablets and remote desktops may move it) comes
  // without raw motion: a drawn gun looks at least once a frame of play.
  constexpr uint32_t DrawnGunLookMs = 30;
  PointerMoveWaiting = Input->TakePointerMoved() || PointerMoveWaiting;
  const uint32_t now = TickCount();
  // Without raw motion nothing says the pointer moved: a drawn gun looks on every pass.
  if (Cursors->Drawing() && (!Connection->Extensions().XInput2 || now - LastPointerFollow >= DrawnGunLookMs))
    PointerMoveWaiting = true;
  if (PointerMoveWaiting && now - LastPointerFollow >= PointerFollowMs) {
    PointerMoveWaiting = false;
    LastPointerFollow = now;
    FollowPointer();
  }
  Timers().FireDue(now);
}

void TX11Platform::WaitForMessage(uint32_t timeoutMs) {
  // Before a wait, the one moment nothing else is going on: a quiet output may rest.
  Audio->RestWhenQuiet();
  Display* dpy = Connection->Dpy();
  // XPending also sends what is buffered and reads what has arrived.
  if (XPending(dpy) > 0) return;
  uint32_t wait = timeoutMs;
  const uint32_t now = TickCount();
  if (const std::optional<uint32_t> due = Timers().TimeToNextDue(now)) wait = std::min(wait, *due);
  if (const std::optional<uint32_t> look = Stacking->TimeToLook(now)) wait = std::min(wait, *look);
  if (wait == 0) return;
  // A stop signal wakes the wait too; the next ProcessMessages acts on it.
  pollfd descriptors[] = {{ConnectionNumber(dpy), POLLIN, 0}, {TX11Guard::StopDescriptor(), POLLIN, 0}};
  poll(descriptors, 2, static_cast<int>(std::min<uint32_t>(wait, INT_MAX)));
}

TScreenSize TX11Platform::ScreenSize() {
  // Kept up to date by the server's notices: asking costs no round trip, every frame.
  const TPixelArea& area = Connection->PlayArea();
  return {area.Width, area.Height};
}

double TX11Platform::InterfaceScale() {
  // Read anew: XResourceManagerString keeps what the resources were when we connected.
  Display* dpy = Connection->Dpy();
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  constexpr long MostWords = 1 << 20;
  std::string resources;
  if (XGetWindowProperty(dpy, Connection->Root(), XA_RESOURCE_MANAGER, 0, MostWords, False, XA_STRING, &type, &format,
                         &count, &after, &data) == Success &&
      data != nullptr) {
    if (type == XA_STRING && format == 8) resources.assign(reinterpret_cast<const char*>(data), count);
    XFree(data);
  }
  return ScaleFromResources(resources);
}

std::unique_ptr<TTextRenderer> TX11Platform::CreateTextRenderer(int pixelSize) {
  std::string whyNot;
  std::unique_ptr<TTextRenderer> renderer = CreateFontconfigTextRenderer(pixelSize, whyNot);
  if (renderer == nullptr) Connection->Warn("dialogs show their text in the game's own letters, ASCII only: " + whyNot);
  return renderer;
}

std::unique_ptr<TPlatformWindow> TX11Platform::CreateWindow(TWindowKind kind) {
  if (kind == TWindowKind::Overlay) return std::make_unique<TX11OverlayWindow>(Connection);
  return std::make_unique<TX11MenuWindow>(Connection);
}

void TX11Platform::BringToFront() {
  // Raised only when covered, and never above a locked screen: see TX11Stacking.
  Stacking->Ask();
  KeepOnTop();
  if (Stacking->Locked() || Stacking->KeyboardHeldElsewhere()) return;
  // Only the menu takes the focus: during play the user's application keeps it.
  const std::vector<TX11Window*> windows = Connection->Windows();
  for (TX11Window* window : windows)
    if (window->Kind() == TWindowKind::Menu) static_cast<TX11MenuWindow*>(window)->TakeFocus();
}

bool TX11Platform::ScreenLocked() { return Stacking->Locked(); }

bool TX11Platform::IsApplicationActive() {
  Window focus = None;
  int revert = 0;
  XGetInputFocus(Connection->Dpy(), &focus, &revert);
  return Connection->IsOwnWindow(focus);
}

bool TX11Platform::GetPointerPos(int& x, int& y) {
  int rootX = 0, rootY = 0;
  if (!Input->PointerPos(rootX, rootY)) return false;
  // The game asks where the gun is every frame: a drawn gun goes there at once, even
  // when no motion event said the pointer moved.
  if (Cursors->Drawing()) Cursors->FollowPointer(rootX, rootY);
  const TPixelArea& area = Connection->PlayArea();
  x = rootX - area.X;
  y = rootY - area.Y;
  return true;
}

void TX11Platform::SetPointerPos(int x, int y) {
  const TPixelArea& area = Connection->PlayArea();
  XWarpPointer(Connection->Dpy(), None, Connection->Root(), 0, 0, 0, 0, x + area.X, y + area.Y);
  XFlush(Connection->Dpy());
}

void TX11Platform::InjectLeftClick() {
  if (!Connection->Extensions().XTest) return;
  // A fake press is the mouse's own button: the one a left-handed mapping makes the first.
  const unsigned button = Input->PrimaryPhysicalButton();
  XTestFakeButtonEvent(Connection->Dpy(), button, True, CurrentTime);
  XTestFakeButtonEvent(Connection->Dpy(), button, False, CurrentTime);
  XFlush(Connection->Dpy());
}

unsigned TX11Platform::MouseButtonsDown() { return Input->MouseButtonsDown(); }

bool TX11Platform::EscapeHeld() { return Input->EscapeHeld(); }

void TX11Platform::ForgetPresses() { Input->ForgetPresses(); }

bool TX11Platform::InstallCursor(const std::string& name) {
  const std::span<const uint8_t> data = FindResource(TResourceKind::Cursor, name);
  if (data.empty()) return false;
  try {
    const TDecodedPng cursor = DecodePng(data);
    // A PNG carries no hot spot: the cursors point with their top-left corner.
    return InstallCursorPicture({cursor.Pixels.data(), cursor.Width, cursor.Height, cursor.Width}, 0, 0);
  } catch (const EPngError& error) {
    Connection->Warn("cursor " + name + ": " + error.what());
    return false;
  }
}

bool TX11Platform::InstallCursorPicture(const TPixelView& picture, int hotX, int hotY) {
  return Cursors->Install(picture, hotX, hotY);
}

void TX11Platform::RestoreCursors() { Cursors->Restore(); }

bool TX11Platform::PlaySound(const std::string& name) { return Audio->Play(name); }

void TX11Platform::LetSoundRest(bool rest) { Audio->LetRest(rest); }

void TX11Platform::SetSoundVolume(int percent) { Audio->SetVolume(percent); }

bool TX11Platform::OpenAddress(const std::string& address, TOpenFailureHandler onLaterFailure) {
  return Processes->OpenAddress(address, std::move(onLaterFailure));
}

std::string TX11Platform::MissingOpener() { return Processes->MissingOpener(); }

bool TX11Platform::StartProgram(const std::string& commandLine, bool wait) {
  return Processes->StartCommandLine(commandLine, wait);
}

void TX11Platform::ShowMessageBox(const std::string& caption, const std::string& text) {
  ShowX11MessageBox(*Connection, caption, text);
}

bool TX11Platform::BecomeSoleGame(std::string& message) {
  Display* dpy = Connection->Dpy();
  const std::string display = DisplayString(dpy);
  std::string error;
  // The lock file answers at once for a game that is still starting; the display's own
  // selection answers whatever the environment: another runtime folder, a lock folder
  // that cannot be used, another spelling of the display's name.
  const bool held = TInstanceLock::Take(DesktopName(display), SoleGame, error) ==
                    TInstanceLock::TOutcome::HeldElsewhere;
  if (!held && TakeRunningGameSelection()) {
    Cursors->RepairAfterKilledRun();
    return true;
  }
  SoleGame.reset();
  message = "a game is already running on display " + display +
            (AskRunningGameForward() ? ": it was brought to the front" : "");
  return false;
}

bool TX11Platform::TakeRunningGameSelection() {
  Display* dpy = Connection->Dpy();
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  Messenger = XCreateWindow(dpy, Connection->Root(), -1, -1, 1, 1, 0, 0, InputOnly, CopyFromParent,
                            CWOverrideRedirect, &attributes);
  const Atom selection = Connection->Intern(RunningGameSelection().c_str());
  // Looked at and taken with no other client in between: of two starts at the same
  // moment, one sees the other's.
  XGrabServer(dpy);
  const bool free = XGetSelectionOwner(dpy, selection) == None;
  if (free) XSetSelectionOwner(dpy, selection, Messenger, CurrentTime);
  XUngrabServer(dpy);
  const bool ours = free && XGetSelectionOwner(dpy, selection) == Messenger;
  if (!ours) {
    XDestroyWindow(dpy, Messenger);
    Messenger = 0;
  }
  XFlush(dpy);
  return ours;
}

bool TX11Platform::AskRunningGameForward() {
  Display* dpy = Connection->Dpy();
  const Window owner = XGetSelectionOwner(dpy, Connection->Intern(RunningGameSelection().c_str()));
  // None while the running game is still starting: it comes to the front by itself then.
  if (owner == None) return false;
  XEvent request{};
  request.xclient.type = ClientMessage;
  request.xclient.window = owner;
  request.xclient.message_type = Connection->Intern(ComeForwardMessage);
  request.xclient.format = 32;
  // The owner may be gone by now; the error then says the request went nowhere.
  TX11ErrorTrap trap(dpy);
  XSendEvent(dpy, owner, False, NoEventMask, &request);
  return !trap.Failed();
}
