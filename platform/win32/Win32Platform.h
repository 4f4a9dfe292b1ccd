// The Windows back end of the platform: what the entry point creates on a Windows desktop.
#pragma once

#include <memory>
#include <string>

#include "platform/Platform.h"

class TWin32Desktop;
class TWin32Input;
class TWin32Cursors;
class TWin32Audio;
class TMonitorSource;
class TSystemCursorCalls;
class TWin32SoleGame;
struct TPostedBoxes;

// What a test may put in place of the system's own parts; null members mean the system's.
struct TWin32Parts {
  TWin32Parts();
  TWin32Parts(TWin32Parts&&) noexcept;
  ~TWin32Parts();

  std::unique_ptr<TMonitorSource> Monitors;
  std::unique_ptr<TSystemCursorCalls> Cursors;
  std::string CursorMarker;  // the marker file of replaced cursors; empty for the usual one
  std::wstring SoleGameName;  // what tells games apart that must not run together; empty for the game's
};

class TWin32Platform : public TPlatform {
 public:
  TWin32Platform();
  explicit TWin32Platform(TWin32Parts parts);
  ~TWin32Platform() override;
  TWin32Platform(const TWin32Platform&) = delete;
  TWin32Platform& operator=(const TWin32Platform&) = delete;

  uint32_t TickCount() override;
  void ProcessMessages() override;
  void WaitForMessage(uint32_t timeoutMs) override;
  TScreenSize ScreenSize() override;
  // The game monitor's dots per inch over 96.
  double InterfaceScale() override;
  std::unique_ptr<TTextRenderer> CreateTextRenderer(int pixelSize) override;
  std::unique_ptr<TPlatformWindow> CreateWindow(TWindowKind kind) override;
  void BringToFront() override;
  bool IsApplicationActive() override;
  bool GetPointerPos(int& x, int& y) override;
  void SetPointerPos(int x, int y) override;
  void InjectLeftClick() override;
  unsigned MouseButtonsDown() override;
  bool EscapeHeld() override;
  void ForgetPresses() override;
  bool InstallCursor(const std::string& name) override;
  void RestoreCursors() override;
  bool PlaySound(const std::string& name) override;
  void SetSoundVolume(int percent) override;
  bool OpenAddress(const std::string& address, TOpenFailureHandler onLaterFailure) override;
  bool StartProgram(const std::string& commandLine, bool wait) override;
  // On the thread that made the platform (the one that owns the windows), the box is
  // shown at once; asked for on another thread, it is queued and shown there at the next
  // ProcessMessages, and this returns at once.
  void ShowMessageBox(const std::string& caption, const std::string& text) override;
  bool BecomeSoleGame(std::string& message) override;
  TFileSystem& Files() override { return *FileSystem; }

  // Shows Picture (straight-alpha ARGB) with its hot spot at (HotX, HotY) in place of
  // every standard cursor; InstallCursor decodes a cursor resource and hands it here.
  bool InstallCursorPicture(const TPixelView& picture, int hotX, int hotY);
  bool SoundAvailable() const;
  // The scale the audio output gives every sound (0 without an output).
  float SoundMixVolume() const;
  // Says Text once to a developer (the debugger's output; stderr with BLASTOVER_STDERR=1).
  void Warn(const std::string& text);

 private:
  void ShowPostedBoxes();

  // The thread that made the platform owns its windows and is a single-threaded COM
  // apartment, as the shell's ShellExecuteExW asks of its caller; XAudio2 works in it.
  unsigned long UiThread = 0;
  bool ComStarted = false;
  std::unique_ptr<TPostedBoxes> Posted;
  std::unique_ptr<TFileSystem> FileSystem;
  std::unique_ptr<TWin32Desktop> Desktop;
  std::unique_ptr<TWin32Input> Input;
  std::unique_ptr<TWin32Cursors> Cursors;
  std::unique_ptr<TWin32Audio> Audio;
  std::unique_ptr<TWin32SoleGame> SoleGame;
};
