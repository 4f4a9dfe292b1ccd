// The X11 back end of the platform: what the entry point creates on a Linux desktop.
#pragma once

#include <memory>
#include <string>

#include "platform/Platform.h"

class TX11Display;
class TX11Input;
class TX11Stacking;
class TX11Cursors;
class TX11Guard;
class TSdlAudio;
class TProcessLauncher;
class TInstanceLock;
union _XEvent;

// The platform on the X display named by DISPLAY, or null with Error set to a
// one-line message ("cannot open display ...") when there is none.
std::unique_ptr<TPlatform> CreateX11Platform(std::string& error);

// The scale that the resource line "Xft.dpi: N" of Resources (the root window's
// RESOURCE_MANAGER) gives, N / 96; 1 when there is none or it makes no sense.
double ScaleFromResources(const std::string& resources);

// Windows made by this platform keep the X connection open as long as they live,
// so they may be destroyed after it; the cursors are given back when it goes, and
// when the program is stopped by a signal or crashes (TX11Guard).
class TX11Platform : public TPlatform {
 public:
  explicit TX11Platform(std::shared_ptr<TX11Display> connection);
  ~TX11Platform() override;
  TX11Platform(const TX11Platform&) = delete;
  TX11Platform& operator=(const TX11Platform&) = delete;

  uint32_t TickCount() override;
  void ProcessMessages() override;
  void WaitForMessage(uint32_t timeoutMs) override;
  TScreenSize ScreenSize() override;
  // Xft.dpi of the desktop's resources (as GNOME, KDE and Xfce set it) over 96; 1 without.
  double InterfaceScale() override;
  std::unique_ptr<TTextRenderer> CreateTextRenderer(int pixelSize) override;
  std::unique_ptr<TPlatformWindow> CreateWindow(TWindowKind kind) override;
  // Raises the windows only when one of them is covered, and neither raises nor takes
  // the focus while the screen is locked (TX11Stacking).
  void BringToFront() override;
  bool ScreenLocked() override;
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
  void LetSoundRest(bool rest) override;
  void SetSoundVolume(int percent) override;
  bool OpenAddress(const std::string& address, TOpenFailureHandler onLaterFailure) override;
  std::string MissingOpener() override;
  bool StartProgram(const std::string& commandLine, bool wait) override;
  void ShowMessageBox(const std::string& caption, const std::string& text) override;
  TFileSystem& Files() override { return *FileSystem; }
  // The lock of this user and display (see TInstanceLock), and an X selection of this
  // user's on the display, which decides alone when the lock cannot: its owner is the
  // running game, which a second start asks to come to the front.
  bool BecomeSoleGame(std::string& message) override;

  // Shows Picture (straight-alpha ARGB) with its hot spot at (HotX, HotY) in place of
  // every standard cursor, or drawn at the pointer where the server cannot replace
  // cursors; false when neither can be done. InstallCursor decodes a cursor resource
  // and hands it here; tests hand in their own pictures.
  bool InstallCursorPicture(const TPixelView& picture, int hotX, int hotY);

 private:
  void Dispatch(_XEvent& event);
  // Raises the windows if another program's window covers them (TX11Stacking decides).
  void KeepOnTop();
  void RaiseOwnWindows();
  // The screen or its monitors changed: the monitor played on is followed.
  void ScreenChanged();
  // Owns the selection of the running game, with a window of ours that hears the
  // requests; false when another game owns it.
  bool TakeRunningGameSelection();
  // Asks the game that owns the selection to come to the front; false when none does.
  bool AskRunningGameForward();
  void FollowPointer();
  // What a stop signal does before the program ends: the desktop as it was, our windows
  // gone, and the ending handler run.
  void StopAtOnce();

  std::shared_ptr<TX11Display> Connection;
  std::unique_ptr<TX11Input> Input;
  std::unique_ptr<TX11Stacking> Stacking;
  std::unique_ptr<TX11Cursors> Cursors;
  std::unique_ptr<TSdlAudio> Audio;
  std::unique_ptr<TProcessLauncher> Processes;
  std::unique_ptr<TFileSystem> FileSystem = CreateSystemFileSystem();
  std::unique_ptr<TInstanceLock> SoleGame;
  unsigned long Messenger = 0;  // the unmapped window owning the running game's selection
  // Last, so that it goes first: its stop action uses the members above.
  std::unique_ptr<TX11Guard> Guard;
  bool PointerMoveWaiting = false;
  uint32_t LastPointerFollow = 0;
  // The desktop's opener of documents and addresses, looked up in PATH.
};
