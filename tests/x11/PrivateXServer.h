// An X server of the caller's own, for the X11 tests and the presentation benchmark.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

// An Xvfb of its own (it picks a free display number, so parallel runs never clash),
// with picom on it when asked. Both end with it, or with the process that started
// them; a forked child (a death test) never ends its parent's servers.
class TPrivateXServer {
 public:
  // A screen of Width x Height at Depth bits. With ScreenFile, Xvfb also keeps the
  // screen as an XWD file (ScreenFile()), in which it draws the pointer too.
  TPrivateXServer(int width, int height, bool screenFile = false, int depth = 24);
  ~TPrivateXServer();
  TPrivateXServer(const TPrivateXServer&) = delete;
  TPrivateXServer& operator=(const TPrivateXServer&) = delete;

  const std::string& Name() const { return DisplayName; }
  std::string ScreenFile() const { return FramebufferFolder + "/Xvfb_screen0"; }
  bool CompositorRunning() const { return Picom > 0; }
  // Starts picom and waits until it owns the compositor selection.
  void StartCompositor();
  void StopCompositor();
  // Ends the X server (and picom) at once, as a crash or a lost network would; a
  // death test's server dies with its process, never destroyed, so this tidies too.
  void Stop();

 private:
  pid_t Owner;
  std::string DisplayName;
  std::string FramebufferFolder;
  pid_t Xvfb = -1;
  pid_t Picom = -1;
};

// An Xorg of its own with the dummy video driver, whose outputs RandR arranges as
// monitors of any size side by side: Xvfb shows one monitor only, whatever it is told.
class TDummyXorgServer {
 public:
  // Monitors of the given sizes, left to right, tops aligned; the first is the primary.
  explicit TDummyXorgServer(const std::vector<std::pair<int, int>>& monitors);
  ~TDummyXorgServer();
  TDummyXorgServer(const TDummyXorgServer&) = delete;
  TDummyXorgServer& operator=(const TDummyXorgServer&) = delete;

  const std::string& Name() const { return DisplayName; }
  // Runs xrandr with Arguments on this server; false when it fails.
  bool RandR(const std::vector<std::string>& arguments) const;

 private:
  pid_t Owner;
  std::string DisplayName;
  std::string Folder;
  pid_t Xorg = -1;
};
