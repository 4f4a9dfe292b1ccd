// The headless platform's clock, input scripts, windows and records.
#include "platform/headless/HeadlessPlatform.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>

#include "platform/PngCodec.h"
#include "platform/Resources.h"
#include "platform/headless/SimulatedFileSystem.h"

// The headless platform's files: a file system (the simulated one, or the computer's
// own) whose program folder and data folder are the platform's choice.
class THeadlessFiles : public TFileSystem {
 public:
  THeadlessFiles(std::unique_ptr<TFileSystem> storage, std::string programFolder, std::string dataFolder)
      : Storage(std::move(storage)), Program(std::move(programFolder)), Data(std::move(dataFolder)) {}

  TFileContents ReadFile(const std::string& path, uint64_t limit) override { return Storage->ReadFile(path, limit); }
  bool SaveFile(const std::string& path, const std::string& bytes, std::string& error) override {
    return Storage->SaveFile(path, bytes, error);
  }
  bool KeepBadCopy(const std::string& path) override { return Storage->KeepBadCopy(path); }
  std::unique_ptr<TFileLock> LockFile(const std::string& path, int timeoutMs, std::string& error) override {
    return Storage->LockFile(path, timeoutMs, error);
  }
  bool IsReadOnly(const std::string& path) override { return Storage->IsReadOnly(path); }
  bool MakeFolder(const std::string& folder) override { return Storage->MakeFolder(folder); }
  bool FolderAcceptsWrites(const std::string& folder) override { return Storage->FolderAcceptsWrites(folder); }
  std::string DataFolder() override { return Data; }
  std::string ProgramFolder() override { return Program; }
  std::string ProgramName() override { return Storage->ProgramName(); }

  std::unique_ptr<TFileSystem> Storage;
  std::string Program;
  std::string Data;
};

class THeadlessWindow : public TPlatformWindow {
 public:
  THeadlessWindow(THeadlessPlatform& owner, TWindowKind kind) : Owner(&owner), Kind(kind) {
    Owner->Windows.push_back(this);
    if (kind == TWindowKind::Overlay) Bounds = {0, 0, owner.Screen.Width, owner.Screen.Height};
  }
  ~THeadlessWindow() override {
    if (Owner != nullptr) std::erase(Owner->Windows, this);
  }

  void SetBounds(int left, int top, int width, int height) override {
    if (Kind != TWindowKind::Menu) return;
    Bounds = {left, top, left + width, top + height};
    Owner->Record("bounds", std::to_string(left) + "," + std::to_string(top) + "," + std::to_string(width) + "x" +
                                std::to_string(height));
  }
  void Show() override {
    if (Visible) return;
    if (Kind == TWindowKind::Overlay) Bounds = {0, 0, Owner->Screen.Width, Owner->Screen.Height};
    Visible = true;
    // Shown last, it lies above the others: the list runs from the bottom to the top.
    std::erase(Owner->Windows, this);
    Owner->Windows.push_back(this);
    Owner->Record("show", KindName());
  }
  void Hide() override {
    if (!Visible) return;
    Visible = false;
    if (Kind == TWindowKind::Menu) Owner->Active = false;
    Owner->Record("hide", KindName());
  }
  bool IsVisible() const override { return Visible; }
  void SetCaption(const std::string& caption) override {
    TPlatformWindow::SetCaption(caption);
    Owner->Record("caption", caption);
  }
  void Present(const TPixelView& picture, const TPixelView*) override {
    Owner->Capture(Kind, picture);
    if (Owner->PresentHook) Owner->PresentHook(Kind);
  }

  std::string KindName() const { return Kind == TWindowKind::Overlay ? "overlay" : "menu"; }
  bool Contains(int x, int y) const { return x >= Bounds.Left && x < Bounds.Right && y >= Bounds.Top && y < Bounds.Bottom; }

  THeadlessPlatform* Owner;
  TWindowKind Kind;
  bool Visible = false;
  struct {
    int Left, Top, Right, Bottom;
  } Bounds{0, 0, 0, 0};
};

namespace {

// Makes a new empty folder under the system's temporary one, whose name no other run
// has; false when none can be made (Folder then names one that is not there).
bool MakeOwnFolder(std::string& folder) {
  std::random_device entropy;
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (;;) {
    folder = (base / ("blastover-" + std::to_string(entropy()))).string();
    std::error_code failed;
    if (std::filesystem::create_directory(folder, failed)) return true;
    if (failed) return false;
  }
}

}  // namespace

THeadlessPlatform::THeadlessPlatform(int screenWidth, int screenHeight, uint32_t startTick, THeadlessDisk disk)
    : Clock(startTick), Screen{screenWidth, screenHeight}, Pointer{screenWidth / 2, screenHeight / 2} {
  if (disk == THeadlessDisk::Simulated) {
    auto simulated = std::make_unique<TSimulatedFileSystem>();
    Simulated = simulated.get();
    const std::string program = simulated->ProgramFolder(), data = simulated->DataFolder();
    FileStore = std::make_unique<THeadlessFiles>(std::move(simulated), program, data);
    return;
  }
  std::string folder;
  if (MakeOwnFolder(folder)) OwnFolder = folder;
  FileStore = std::make_unique<THeadlessFiles>(CreateSystemFileSystem(), folder + "/", folder + "/data/");
}

THeadlessPlatform::~THeadlessPlatform() {
  for (THeadlessWindow* window : Windows) window->Owner = nullptr;
  std::error_code ignored;
  if (!OwnFolder.empty()) std::filesystem::remove_all(OwnFolder, ignored);
}

TFileSystem& THeadlessPlatform::Files() { return *FileStore; }

void THeadlessPlatform::SetProgramFolder(std::string folder) { FileStore->Program = std::move(folder); }

void THeadlessPlatform::SetDataFolder(std::string folder) { FileStore->Data = std::move(folder); }

void THeadlessPlatform::ProcessMessages() {
  EndDueOpener();
  DeliverDueEvents();
  Timers().FireDue(Clock);
}

void THeadlessPlatform::LatchDueClicks() {
  while (!Clicks.empty() && IsDue(Clicks.front())) {
    LatchedButtons |= 1;
    Clicks.pop_front();
  }
}

void THeadlessPlatform::DeliverDueEvents() {
  LatchDueClicks();
  // Handlers may schedule more or close windows, so take the due events out first.
  std::vector<TScheduled> due;
  std::erase_if(Scheduled, [&](const TScheduled& event) {
    if (!IsDue(event.Tick)) return false;
    due.push_back(event);
    return true;
  });
  for (const TScheduled& event : due) {
    if (event.Type == TScheduled::ScreenChange) {
      ChangeScreen(event);
      continue;
    }
    // Presses are remembered whichever window they went to, as the desktop's back ends do.
    if (event.Type != TScheduled::Key) LatchedButtons |= 1;
    if (event.Type == TScheduled::Key && event.KeyCode == VK_ESCAPE) LatchedEscape = true;
    THeadlessWindow* focus = FocusWindow(event.Type == TScheduled::WindowClick ? event.Beneath : 0);
    if (focus == nullptr) continue;  // nobody of ours has the keyboard or sits under the click
    if (event.Type == TScheduled::Key && focus->OnKeyDown) focus->OnKeyDown(event.KeyCode);
    if (event.Type == TScheduled::WindowClick && focus->OnMouseDown) focus->OnMouseDown(event.X, event.Y);
  }
}

void THeadlessPlatform::ChangeScreen(const TScheduled& change) {
  Screen = {change.X, change.Y};
  Scale = change.Scale;
  // A handler may make or destroy windows: the shown menus of now are told.
  std::vector<THeadlessWindow*> told;
  for (THeadlessWindow* window : Windows)
    if (window->Kind == TWindowKind::Menu && window->Visible) told.push_back(window);
  for (THeadlessWindow* window : told)
    if (std::find(Windows.begin(), Windows.end(), window) != Windows.end() && window->OnScreenChanged) {
      const std::function<void()> handler = window->OnScreenChanged;
      handler();
    }
}

bool THeadlessPlatform::IsShown(TWindowKind kind) const {
  return std::any_of(Windows.begin(), Windows.end(), [kind](const THeadlessWindow* w) { return w->Kind == kind && w->Visible; });
}

THeadlessWindow* THeadlessPlatform::FocusWindow(int beneath) const {
  for (auto window = Windows.rbegin(); window != Windows.rend(); ++window)
    if ((*window)->Kind == TWindowKind::Menu && (*window)->Visible && beneath-- == 0) return *window;
  return nullptr;
}

void THeadlessPlatform::WaitForMessage(uint32_t timeoutMs) {
  ++WaitCount;
  uint32_t step = timeoutMs;
  for (const TScheduled& event : Scheduled) {
    if (IsDue(event.Tick)) return;
    step = std::min(step, event.Tick - Clock);
  }
  if (!Clicks.empty()) {
    if (IsDue(Clicks.front())) return;
    step = std::min(step, Clicks.front() - Clock);
  }
  if (RunningOpener) {
    if (IsDue(RunningOpener->EndTick)) return;
    step = std::min(step, RunningOpener->EndTick - Clock);
  }
  if (const auto toTimer = Timers().TimeToNextDue(Clock)) step = std::min(step, *toTimer);
  Clock += step;
}

std::unique_ptr<TPlatformWindow> THeadlessPlatform::CreateWindow(TWindowKind kind) {
  return std::make_unique<THeadlessWindow>(*this, kind);
}

void THeadlessPlatform::BringToFront() {
  if (ScreenLocked()) return;
  const bool menuShown = FocusWindow() != nullptr;
  if (menuShown) Active = true;
  Record("raise", menuShown ? "focus" : "");
}

bool THeadlessPlatform::GetPointerPos(int& x, int& y) {
  ++PointerReadCount;
  return ReadPointer(x, y);
}

bool THeadlessPlatform::ReadPointer(int& x, int& y) const {
  if (!PointerReadable) return false;
  const TScreenPoint p = PointerScript ? PointerScript(Clock) : Pointer;
  x = p.X;
  y = p.Y;
  return true;
}

void THeadlessPlatform::SetPointerPos(int x, int y) {
  PointerScript = nullptr;
  Pointer = {x, y};
  Record("move", std::to_string(x) + "," + std::to_string(y));
}

void THeadlessPlatform::InjectLeftClick() {
  int x = Pointer.X, y = Pointer.Y;
  ReadPointer(x, y);
  Record("click", std::to_string(x) + "," + std::to_string(y));
  LatchedButtons |= 1;
  THeadlessWindow* focus = FocusWindow();
  if (focus != nullptr && focus->Contains(x, y))
    Scheduled.push_back({Clock, TScheduled::WindowClick, 0, x - focus->Bounds.Left, y - focus->Bounds.Top});
}

unsigned THeadlessPlatform::MouseButtonsDown() {
  LatchDueClicks();
  const unsigned held = ButtonScript ? ButtonScript(Clock) : 0;
  StaleButtons &= held;
  const unsigned result = (held & ~StaleButtons) | LatchedButtons;
  LatchedButtons = 0;
  return result;
}

bool THeadlessPlatform::EscapeHeld() {
  const bool held = EscapeScript && EscapeScript(Clock);
  StaleEscape = StaleEscape && held;
  const bool result = (held && !StaleEscape) || LatchedEscape;
  LatchedEscape = false;
  return result;
}

void THeadlessPlatform::ForgetPresses() {
  while (!Clicks.empty() && IsDue(Clicks.front())) Clicks.pop_front();
  StaleButtons = ButtonScript ? ButtonScript(Clock) : 0;
  StaleEscape = EscapeScript && EscapeScript(Clock);
  LatchedButtons = 0;
  LatchedEscape = false;
}

bool THeadlessPlatform::InstallCursor(const std::string& name) {
  Record("cursor", name);
  return !FindResource(TResourceKind::Cursor, name).empty();
}

void THeadlessPlatform::RestoreCursors() { Record("restore cursors"); }

bool THeadlessPlatform::PlaySound(const std::string& name) {
  if (Volume == 0) return false;
  if (Recording) EventLog.push_back({Clock, "sound", name, Volume});
  return !FindResource(TResourceKind::Sound, name).empty();
}

void THeadlessPlatform::LetSoundRest(bool rest) { Record("sound-rest", rest ? "may" : "not"); }

void THeadlessPlatform::SetSoundVolume(int percent) { Volume = std::clamp(percent, 0, 100); }

bool THeadlessPlatform::OpenAddress(const std::string& address, TOpenFailureHandler onLaterFailure) {
  if (RunningOpener) return true;  // the one running opens the page
  Record("open", address);
  if (!OpenAddressResult || !MissingOpenerName.empty()) {
    errno = ENOENT;
    return false;
  }
  RunningOpener = TRunningOpener{Clock + OpenerEnd.Ms, OpenerEnd.Error, std::move(onLaterFailure)};
  return true;
}

void THeadlessPlatform::EndDueOpener() {
  if (!RunningOpener || !IsDue(RunningOpener->EndTick)) return;
  // Taken out first: the handler may show a message whose loop comes back here.
  const TRunningOpener ended = std::move(*RunningOpener);
  RunningOpener.reset();
  if (ended.Error != 0 && ended.OnLaterFailure) ended.OnLaterFailure({ended.Error, {}});
}

bool THeadlessPlatform::StartProgram(const std::string& commandLine, bool) {
  // Nothing can be started here: the answer an unknown program gets.
  Record("start", commandLine);
  errno = ENOENT;
  return false;
}

void THeadlessPlatform::ShowMessageBox(const std::string& caption, const std::string& text) {
  Record("message box", caption + ": " + text);
}

void THeadlessPlatform::ScheduleClick(uint32_t tick) {
  // In the order they come due, so that a poll looks at the first one only; a script's
  // clicks come in that order already.
  const auto sooner = [this](uint32_t a, uint32_t b) {
    return static_cast<int32_t>(a - Clock) < static_cast<int32_t>(b - Clock);
  };
  Clicks.insert(std::upper_bound(Clicks.begin(), Clicks.end(), tick, sooner), tick);
}

void THeadlessPlatform::ScheduleKey(uint32_t tick, uint16_t key) { Scheduled.push_back({tick, TScheduled::Key, key, 0, 0}); }

void THeadlessPlatform::ScheduleScreenChange(uint32_t tick, int width, int height, double scale) {
  Scheduled.push_back({tick, TScheduled::ScreenChange, 0, width, height, 0, scale});
}

void THeadlessPlatform::ScheduleWindowClick(uint32_t tick, int x, int y, int beneath) {
  Scheduled.push_back({tick, TScheduled::WindowClick, 0, x, y, beneath});
}

std::vector<std::string> THeadlessPlatform::EventsOf(const std::string& what) const {
  std::vector<std::string> details;
  for (const THeadlessEvent& event : EventLog)
    if (event.What == what) details.push_back(event.Detail);
  return details;
}

int THeadlessPlatform::FrameCount(TWindowKind kind) const {
  const auto found = CapturedCount.find(kind);
  return found == CapturedCount.end() ? 0 : found->second;
}

const TCapturedFrame& THeadlessPlatform::LastFrame(TWindowKind kind) const {
  static const TCapturedFrame none;
  const auto found = CapturedFrames.find(kind);
  return found == CapturedFrames.end() || found->second.empty() ? none : found->second.back();
}

const std::deque<TCapturedFrame>& THeadlessPlatform::Frames(TWindowKind kind) const {
  static const std::deque<TCapturedFrame> none;
  const auto found = CapturedFrames.find(kind);
  return found == CapturedFrames.end() ? none : found->second;
}

void THeadlessPlatform::SaveFramePng(const TCapturedFrame& frame, const std::string& path) const {
  WritePngFile(path, frame.View(), false);
}

void THeadlessPlatform::Record(const std::string& what, const std::string& detail) {
  if (Recording) EventLog.push_back({Clock, what, detail});
}

void THeadlessPlatform::Capture(TWindowKind kind, const TPixelView& picture) {
  std::deque<TCapturedFrame>& frames = CapturedFrames[kind];
  ++CapturedCount[kind];
  if (FrameWatcher) FrameWatcher(kind, picture, Clock);
  if (FramesKept == 0) return;
  // Reuse the oldest frame's storage once the store is full: no allocation per frame.
  TCapturedFrame frame;
  if (frames.size() >= FramesKept) {
    frame = std::move(frames.front());
    frames.pop_front();
  }
  frame.Tick = Clock;
  frame.Width = picture.Width;
  frame.Height = picture.Height;
  frame.Pixels.resize(static_cast<size_t>(picture.Width) * picture.Height);
  for (int y = 0; y < picture.Height; ++y)
    std::memcpy(frame.Pixels.data() + static_cast<size_t>(y) * picture.Width, picture.Row(y),
                static_cast<size_t>(picture.Width) * sizeof(uint32_t));
  frames.push_back(std::move(frame));
}
