// The Wayland platform: message processing, the game's view of the output, and the shared services.
#include "platform/wayland/WaylandPlatform.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "platform/fontconfig/FontconfigText.h"
#include "platform/posix/InstanceLock.h"

#include "platform/sdl/SdlAudio.h"
#include "platform/wayland/WaylandCursor.h"
#include "platform/wayland/WaylandDisplay.h"
#include "platform/wayland/WaylandInput.h"
#include "platform/wayland/WaylandMessageBox.h"
#include "platform/wayland/WaylandWindow.h"
#include "platform/x11/ProcessLauncher.h"
#include "platform/x11/X11Guard.h"

namespace {

// The compositor's socket as one name however WAYLAND_DISPLAY gave it: "wayland-1" and
// "$XDG_RUNTIME_DIR/wayland-1" are the same compositor.
std::string WaylandDisplayName() {
  const char* given = std::getenv("WAYLAND_DISPLAY");
  std::string name = given != nullptr && given[0] != '\0' ? given : "wayland-0";
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] != '\0') {
    const std::string folder = std::string(runtime) + "/";
    if (name.compare(0, folder.size(), folder) == 0) name.erase(0, folder.size());
  }
  return name;
}

}  // namespace

std::unique_ptr<TPlatform> CreateWaylandPlatform(std::string& error) {
  std::unique_ptr<TWaylandDisplay> connection = TWaylandDisplay::Open(error);
  if (connection == nullptr) return nullptr;
  if (connection->LayerShell() == nullptr) {
    error = "the Wayland compositor offers no layer shell (zwlr_layer_shell_v1)";
    return nullptr;
  }
  return std::make_unique<TWaylandPlatform>(std::shared_ptr<TWaylandDisplay>(std::move(connection)));
}

TWaylandPlatform::TWaylandPlatform(std::shared_ptr<TWaylandDisplay> connection)
    : Display(std::move(connection)),
      Audio(std::make_unique<TSdlAudio>()),
      Processes(std::make_unique<TProcessLauncher>()),
      // No display to give cursors back on after a crash: only the stop signals matter.
      Guard(std::make_unique<TX11Guard>("", [this] { RunEndingHandler(); })) {
  Display->OnLost = [this] { RunEndingHandler(); };
}

// The windows may keep the connection for a while after the platform has gone.
TWaylandPlatform::~TWaylandPlatform() { Display->OnLost = nullptr; }

uint32_t TWaylandPlatform::TickCount() { return WaylandTickCount(); }

void TWaylandPlatform::ProcessMessages() {
  TX11Guard::StopIfSignalled();
  Processes->Reap();
  Display->DispatchPending();
  DeliverWindowEvents();
  Timers().FireDue(TickCount());
}

void TWaylandPlatform::DeliverWindowEvents() {
  for (const TWaylandInput::TWindowEvent& event : Display->Input().TakeWindowEvents(TickCount())) {
    // An earlier handler may have destroyed the window or hidden it.
    const auto& windows = Display->Windows();
    if (std::find(windows.begin(), windows.end(), event.Window) == windows.end()) continue;
    if (event.IsKey && event.Window->OnKeyDown) {
      // A copy: the handler may destroy the window, and with it OnKeyDown.
      const std::function<void(uint16_t)> handler = event.Window->OnKeyDown;
      handler(event.Key);
    } else if (!event.IsKey && event.Window->OnMouseDown) {
      const std::function<void(int, int)> handler = event.Window->OnMouseDown;
      handler(event.X, event.Y);
    }
  }
}

void TWaylandPlatform::WaitForMessage(uint32_t timeoutMs) {
  // Before a wait, the one moment nothing else is going on: a quiet output may rest.
  Audio->RestWhenQuiet();
  const uint32_t now = TickCount();
  uint32_t wait = timeoutMs;
  if (const std::optional<uint32_t> due = Timers().TimeToNextDue(now)) wait = std::min(wait, *due);
  if (const std::optional<uint32_t> repeat = Display->Input().TimeToNextRepeat(now)) wait = std::min(wait, *repeat);
  // A stop signal wakes the wait too; the next ProcessMessages acts on it.
  Display->WaitAndDispatch(static_cast<int>(std::min<uint32_t>(wait, INT_MAX)), TX11Guard::StopDescriptor());
}

TScreenSize TWaylandPlatform::ScreenSize() {
  // The game window's output as it is shown there, once it has been placed.
  for (const TWaylandWindow* window : Display->Windows())
    if (window->Kind() == TWindowKind::Overlay && window->PixelHeight() > 0)
      return {window->PixelWidth(), window->PixelHeight()};
  // Before that, the output it is likely to be placed on.
  const TWaylandOutput* output = Display->FindOutput(Display->Input().LastOutput());
  if (output == nullptr && !Display->Outputs().empty()) output = Display->Outputs().front().get();
  if (output == nullptr) return {};
  return {output->ModeWidth, output->ModeHeight};
}

std::unique_ptr<TPlatformWindow> TWaylandPlatform::CreateWindow(TWindowKind kind) {
  return std::make_unique<TWaylandWindow>(Display, kind);
}

// The layer shell keeps the overlay layer above every ordinary window, and our
// surfaces take the keyboard when they are shown: there is nothing to raise.
void TWaylandPlatform::BringToFront() {}

bool TWaylandPlatform::IsApplicationActive() { return Display->Input().HasKeyboardFocus(); }

bool TWaylandPlatform::GetPointerPos(int& x, int& y) { return Display->Input().PointerPos(x, y); }

// No Wayland client may move the pointer or press its buttons.
void TWaylandPlatform::SetPointerPos(int, int) {}

void TWaylandPlatform::InjectLeftClick() {}

unsigned TWaylandPlatform::MouseButtonsDown() {
  // A round trip: every event the compositor sent before it has then been read, as a
  // press over before this poll must be (the game polls ten times a second).
  Display->Roundtrip();
  return Display->Input().MouseButtonsDown();
}

bool TWaylandPlatform::EscapeHeld() {
  Display->Roundtrip();
  return Display->Input().EscapeHeld();
}

void TWaylandPlatform::ForgetPresses() {
  Display->Roundtrip();
  Display->Input().ForgetPresses();
}

bool TWaylandPlatform::InstallCursor(const std::string& name) { return Display->Input().Cursor().Install(name); }

void TWaylandPlatform::RestoreCursors() { Display->Input().Cursor().Restore(); }

bool TWaylandPlatform::PlaySound(const std::string& name) { return Audio->Play(name); }

void TWaylandPlatform::LetSoundRest(bool rest) { Audio->LetRest(rest); }

void TWaylandPlatform::SetSoundVolume(int percent) { Audio->SetVolume(percent); }

bool TWaylandPlatform::OpenAddress(const std::string& address, TOpenFailureHandler onLaterFailure) {
  return Processes->OpenAddress(address, std::move(onLaterFailure));
}

std::string TWaylandPlatform::MissingOpener() { return Processes->MissingOpener(); }

bool TWaylandPlatform::StartProgram(const std::string& commandLine, bool wait) {
  return Processes->StartCommandLine(commandLine, wait);
}

double TWaylandPlatform::InterfaceScale() {
  for (const TWaylandWindow* window : Display->Windows())
    if (window->PixelHeight() > 0) return window->Scale();
  const TWaylandOutput* output = Display->FindOutput(Display->Input().LastOutput());
  if (output == nullptr && !Display->Outputs().empty()) output = Display->Outputs().front().get();
  return output != nullptr ? output->Scale : 1.0;
}

std::unique_ptr<TTextRenderer> TWaylandPlatform::CreateTextRenderer(int pixelSize) {
  std::string whyNot;
  std::unique_ptr<TTextRenderer> renderer = CreateFontconfigTextRenderer(pixelSize, whyNot);
  if (renderer == nullptr) Display->Warn("dialogs show their text in the game's own letters, ASCII only: " + whyNot);
  return renderer;
}

void TWaylandPlatform::ShowMessageBox(const std::string& caption, const std::string& text) {
  ShowWaylandMessageBox(caption, text);
}

bool TWaylandPlatform::BecomeSoleGame(std::string& message) {
  const std::string display = WaylandDisplayName();
  std::string error;
  switch (TInstanceLock::Take("wl-" + display, SoleGame, error)) {
    case TInstanceLock::TOutcome::Taken:
      return true;
    case TInstanceLock::TOutcome::Unavailable:
      Display->Warn("another copy of the game could start beside this one: " + error);
      return true;
    case TInstanceLock::TOutcome::HeldElsewhere:
      break;
  }
  message = "a game is already running on Wayland display " + display;
  return false;
}
