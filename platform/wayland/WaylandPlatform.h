// The Wayland back end of the platform, for compositors that offer the layer shell.
#pragma once

#include <memory>
#include <string>

#include "platform/Platform.h"

class TInstanceLock;
class TProcessLauncher;
class TSdlAudio;
class TWaylandDisplay;
class TX11Guard;

// The platform on the compositor named by WAYLAND_DISPLAY, or null with Error set
// when none answers or it offers no layer shell.
std::unique_ptr<TPlatform> CreateWaylandPlatform(std::string& error);

// What differs from X11, because Wayland lets no client see or move the pointer
// outside its own surfaces: the game's surface takes all pointer input during play;
// the pointer cannot be moved nor clicks injected (SetPointerPos and InjectLeftClick
// do nothing); the gun is the cursor of our own surfaces, so nothing of the desktop
// is changed and nothing needs giving back. Sound is SDL2_mixer's and files are the
// POSIX file system's, and stop signals are waited for as on X11 (TX11Guard), so that
// the ending handler runs before the program ends.
class TWaylandPlatform : public TPlatform {
 public:
  explicit TWaylandPlatform(std::shared_ptr<TWaylandDisplay> connection);
  ~TWaylandPlatform() override;
  TWaylandPlatform(const TWaylandPlatform&) = delete;
  TWaylandPlatform& operator=(const TWaylandPlatform&) = delete;

  uint32_t TickCount() override;
  void ProcessMessages() override;
  void WaitForMessage(uint32_t timeoutMs) override;
  TScreenSize ScreenSize() override;
  // The scale of the output the game's windows are shown on (or likely to be).
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
  void LetSoundRest(bool rest) override;
  void SetSoundVolume(int percent) override;
  bool OpenAddress(const std::string& address, TOpenFailureHandler onLaterFailure) override;
  std::string MissingOpener() override;
  bool StartProgram(const std::string& commandLine, bool wait) override;
  void ShowMessageBox(const std::string& caption, const std::string& text) override;
  // Per user and compositor. A game already running there is above every window on
  // the overlay layer, so there is nothing to bring forward.
  bool BecomeSoleGame(std::string& message) override;
  TFileSystem& Files() override { return *FileSystem; }

  TWaylandDisplay& Connection() { return *Display; }

 private:
  void DeliverWindowEvents();

  std::shared_ptr<TWaylandDisplay> Display;
  std::unique_ptr<TSdlAudio> Audio;
  std::unique_ptr<TProcessLauncher> Processes;
  std::unique_ptr<TFileSystem> FileSystem = CreateSystemFileSystem();
  std::unique_ptr<TInstanceLock> SoleGame;
  std::unique_ptr<TX11Guard> Guard;
};
