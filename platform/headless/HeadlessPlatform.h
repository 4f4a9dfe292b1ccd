// The headless platform: a virtual clock, scripted input, captured frames and a record
// of everything the program asked of the desktop, so that tests can run whole games
// faster than real time.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"

struct TScreenPoint {
  int X = 0;
  int Y = 0;
};

// One presented picture of a window.
struct TCapturedFrame {
  uint32_t Tick = 0;
  int Width = 0;
  int Height = 0;
  std::vector<uint32_t> Pixels;

  TPixelView View() const { return {Pixels.data(), Width, Height, Width}; }
  uint32_t Pixel(int x, int y) const { return Pixels[static_cast<size_t>(y) * Width + x]; }
};

// What the program asked of the desktop, stamped with the virtual tick.
struct THeadlessEvent {
  uint32_t Tick = 0;
  std::string What;    // "raise", "cursor", "restore cursors", "message box", "open", "start", "click", "move", "show", "hide", "sound", "caption"
  std::string Detail;  // the cursor name, the message text, the address, "x,y", the window kind
  int Volume = 0;      // "sound": the loudness it was heard at, in percent
};

class THeadlessWindow;
class THeadlessFiles;
class TSimulatedFileSystem;

// Where the headless platform keeps the game's files.
enum class THeadlessDisk {
  Simulated,  // a file system in memory that can play faults (TSimulatedFileSystem)
  Real,       // the computer's own, with a new folder of the platform's as the program's folder
};

class THeadlessPlatform : public TPlatform {
 public:
  // The clock starts at StartTick; choose one just before 2^32 to test the wrap. The
  // program's folder and the user's data folder start empty; on the real disk they lie
  // in a new folder of the platform's, removed with it.
  THeadlessPlatform(int screenWidth, int screenHeight, uint32_t startTick = 1000,
                    THeadlessDisk disk = THeadlessDisk::Simulated);
  ~THeadlessPlatform() override;

  uint32_t TickCount() override { return Clock; }
  void ProcessMessages() override;
  // Jumps the clock to the earliest of: the timeout, the next due timer, the next
  // scripted event. Returns at once when something is already waiting.
  void WaitForMessage(uint32_t timeoutMs) override;
  TScreenSize ScreenSize() override { return Screen; }
  double InterfaceScale() override { return Scale; }
  std::unique_ptr<TPlatformWindow> CreateWindow(TWindowKind kind) override;
  // Recorded as "raise", unless the screen is locked.
  void BringToFront() override;
  bool ScreenLocked() override { return LockScript && LockScript(Clock); }
  bool IsApplicationActive() override { return Active; }
  bool GetPointerPos(int& x, int& y) override;
  void SetPointerPos(int x, int y) override;
  void InjectLeftClick() override;
  unsigned MouseButtonsDown() override;
  bool EscapeHeld() override;
  void ForgetPresses() override;
  bool InstallCursor(const std::string& name) override;
  void RestoreCursors() override;
  // A sound is recorded with the volume it was heard at; while the volume is 0 none is
  // heard, and none recorded.
  bool PlaySound(const std::string& name) override;
  // Recorded as "sound-rest": "may" or "not".
  void LetSoundRest(bool rest) override;
  void SetSoundVolume(int percent) override;
  int SoundVolume() const { return Volume; }
  bool OpenAddress(const std::string& address, TOpenFailureHandler onLaterFailure) override;
  bool StartProgram(const std::string& commandLine, bool wait) override;
  void ShowMessageBox(const std::string& caption, const std::string& text) override;
  TFileSystem& Files() override;

  // Test controls.
  void AdvanceClock(uint32_t ms) { Clock += ms; }
  void SetScreenSize(int width, int height) { Screen = {width, height}; }
  void SetInterfaceScale(double scale) { Scale = scale; }
  // At Tick the screen becomes Width x Height at Scale, and the shown menu windows hear of it.
  void ScheduleScreenChange(uint32_t tick, int width, int height, double scale);
  // Another folder (with a trailing separator) as the program's.
  void SetProgramFolder(std::string folder);
  // Another folder as the player's data folder; empty as for a user without a home.
  void SetDataFolder(std::string folder);
  // The simulated disk, to play its faults; null on the real disk.
  TSimulatedFileSystem* SimulatedDisk() { return Simulated; }
  // The pointer as a function of the virtual tick; replaces any fixed position.
  void SetPointerScript(std::function<TScreenPoint(uint32_t tick)> script) { PointerScript = std::move(script); }
  // Buttons held (1 left, 2 right, 4 middle) as a function of the virtual tick.
  void SetButtonScript(std::function<unsigned(uint32_t tick)> script) { ButtonScript = std::move(script); }
  void SetEscapeScript(std::function<bool(uint32_t tick)> script) { EscapeScript = std::move(script); }
  // Whether the screen is locked, as a function of the virtual tick.
  void SetLockScript(std::function<bool(uint32_t tick)> script) { LockScript = std::move(script); }
  // A left click (press and release) at Tick: the next MouseButtonsDown reports it.
  void ScheduleClick(uint32_t tick);
  // A key press for the focused menu window at Tick; Escape is remembered for the next
  // EscapeHeld as well, as the desktop's back ends remember it.
  void ScheduleKey(uint32_t tick, uint16_t key);
  // A left-button press at window point (X, Y) at Tick inside the topmost menu window, or
  // with Beneath n the n-th shown menu window under it (a window the player can still see);
  // the next MouseButtonsDown reports it too.
  void ScheduleWindowClick(uint32_t tick, int x, int y, int beneath = 0);
  // The user's application takes the focus away from ours.
  void Deactivate() { Active = false; }
  // What a desktop back end does as the program is ended from outside (its display gone,
  // a stop signal), short of ending it: the ending handler runs.
  void EndFromOutside() { RunEndingHandler(); }
  // Runs after every picture a window of that kind presents: a way to watch each frame
  // of the game that, unlike a timer, never changes when the clock stops.
  void SetPresentHook(std::function<void(TWindowKind kind)> hook) { PresentHook = std::move(hook); }
  // Makes the pointer unreadable, as when the desktop refuses to say where it is.
  void SetPointerReadable(bool readable) { PointerReadable = readable; }
  // With false, OpenAddress fails at once.
  void SetOpenAddressResult(bool result) { OpenAddressResult = result; }
  // Each opener started from now on runs for Ms of the clock and then ends: with Error 0
  // it has opened the address, otherwise it fails with that errno value.
  void SetOpenerEnd(uint32_t ms, int error) { OpenerEnd = {ms, error}; }
  // Makes OpenAddress fail as if the desktop had no opener of this Name.
  void SetMissingOpener(const std::string& name) { MissingOpenerName = name; }
  std::string MissingOpener() override { return MissingOpenerName; }

  // Records.
  const std::vector<THeadlessEvent>& Events() const { return EventLog; }
  std::vector<std::string> EventsOf(const std::string& what) const;
  int FrameCount(TWindowKind kind) const;
  // The last frame presented by a window of that kind; an empty frame when there is none.
  const TCapturedFrame& LastFrame(TWindowKind kind) const;
  // Keeps the last N frames of each kind (1 unless asked), oldest first; with 0 the
  // frames are only counted, which saves a copy of the screen in every frame.
  void KeepFrames(size_t count) { FramesKept = count; }
  const std::deque<TCapturedFrame>& Frames(TWindowKind kind) const;
  // Shows every picture presented from now on to Watcher as it arrives, kept or not.
  void WatchFrames(std::function<void(TWindowKind kind, const TPixelView& picture, uint32_t tick)> watcher) {
    FrameWatcher = std::move(watcher);
  }
  void SaveFramePng(const TCapturedFrame& frame, const std::string& path) const;
  int TimesWaited() const { return WaitCount; }
  // How often the program has asked where the pointer is.
  int PointerReads() const { return PointerReadCount; }
  // Records nothing from now on (a long run would keep every request otherwise).
  void StopRecording() { Recording = false; }
  // A window of that kind is shown now.
  bool IsShown(TWindowKind kind) const;

 private:
  friend class THeadlessWindow;
  struct TScheduled {
    enum TType { Key, WindowClick, ScreenChange };
    uint32_t Tick;
    TType Type;
    uint16_t KeyCode;
    int X, Y;
    int Beneath = 0;
    double Scale = 1.0;
  };

  void Record(const std::string& what, const std::string& detail = {});
  // Where the pointer is, without counting a read of the program's.
  bool ReadPointer(int& x, int& y) const;
  void Capture(TWindowKind kind, const TPixelView& picture);
  bool IsDue(uint32_t tick) const { return static_cast<int32_t>(Clock - tick) >= 0; }
  // The shown menu window Beneath others under the one shown last, which has the focus.
  THeadlessWindow* FocusWindow(int beneath = 0) const;
  void DeliverDueEvents();
  void ChangeScreen(const TScheduled& change);
  // The clicks that have come due count as presses.
  void LatchDueClicks();
  void EndDueOpener();

  uint32_t Clock;
  TScreenSize Screen;
  double Scale = 1.0;
  std::unique_ptr<THeadlessFiles> FileStore;
  TSimulatedFileSystem* Simulated = nullptr;
  std::string OwnFolder;  // the folder made for this platform on the real disk
  TScreenPoint Pointer;
  std::function<TScreenPoint(uint32_t)> PointerScript;
  std::function<unsigned(uint32_t)> ButtonScript;
  std::function<bool(uint32_t)> EscapeScript;
  std::function<bool(uint32_t)> LockScript;
  std::function<void(TWindowKind)> PresentHook;
  unsigned LatchedButtons = 0;
  bool LatchedEscape = false;
  // Held when the presses were forgotten, and not let go since.
  unsigned StaleButtons = 0;
  bool StaleEscape = false;
  bool PointerReadable = true;
  bool Active = false;
  bool OpenAddressResult = true;
  struct TOpener {
    uint32_t Ms = 0;
    int Error = 0;
  } OpenerEnd;
  // The opener still running, when it ends and its end for OnLaterFailure.
  struct TRunningOpener {
    uint32_t EndTick = 0;
    int Error = 0;
    TOpenFailureHandler OnLaterFailure;
  };
  std::optional<TRunningOpener> RunningOpener;
  std::string MissingOpenerName;
  std::vector<TScheduled> Scheduled;  // in the order they were scheduled
  std::deque<uint32_t> Clicks;        // the scheduled clicks, in the order they come due
  std::vector<THeadlessWindow*> Windows;
  std::vector<THeadlessEvent> EventLog;
  std::map<TWindowKind, std::deque<TCapturedFrame>> CapturedFrames;
  std::map<TWindowKind, int> CapturedCount;
  size_t FramesKept = 1;
  std::function<void(TWindowKind, const TPixelView&, uint32_t)> FrameWatcher;
  bool Recording = true;
  int WaitCount = 0;
  int PointerReadCount = 0;
  int Volume = 100;
};
