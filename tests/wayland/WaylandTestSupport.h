// What the Wayland tests look for in a screenshot, and the game run in a compositor's session.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CompositorSession.h"

struct TShot {
  std::vector<uint32_t> Pixels;
  int Width = 0;
  int Height = 0;
  // Red, green and blue at (X, Y); 0 outside.
  uint32_t At(int x, int y) const;
  // How many pixels of the area have exactly the colour Rgb.
  int Count(int left, int top, int width, int height, uint32_t rgb) const;
  // Writes the shot as a PNG under the system's temporary folder and returns its path,
  // for a failing test to point at.
  std::string Keep(const std::string& name) const;
};

// The colour of the ordinary window the tests put beneath the game.
constexpr uint32_t WindowBeneath = 0x3060A0;
// Colours only the gun cursor's reload bar has: its frame while the gun can fire, and
// while it reloads.
constexpr uint32_t ReadyFrame = 0x008000;
// (the gold coin of a power mode has the second too, and yellow).
constexpr uint32_t ReloadFrame = 0x800000;
constexpr uint32_t CoinYellow = 0xFFFF00;

// Polls screenshots every 200 ms for up to TimeoutMs until Condition holds; the last one in Shot.
bool WaitForShot(TCompositorSession& session, TShot& shot, const std::function<bool(const TShot&)>& condition,
                 int timeoutMs = 10000);

// The probe as the test user, keeping a virtual mouse and keyboard plugged in.
class TProbeSession {
 public:
  // Layout names the virtual keyboard's layouts ("fr", "us,ru"); US when empty.
  explicit TProbeSession(TCompositorSession& session, const std::string& layout = "");
  // A line of the probe's session script ("pointer X Y W H", "click", "keys NAME..."), done before it returns.
  void Input(const std::string& line);

 private:
  TCompositorSession& Session;
  std::unique_ptr<TUserProcess> Probe;
  size_t AnswersSeen = 0;
};

// The game as the test user, in a folder of its own inside the session (where it keeps
// HISCORE.XML), with a probe that keeps a virtual mouse and keyboard plugged in.
class TGameRun {
 public:
  // Plugs the probe's mouse and keyboard in; the game starts with Start.
  explicit TGameRun(TCompositorSession& session);
  ~TGameRun();
  TGameRun(const TGameRun&) = delete;
  TGameRun& operator=(const TGameRun&) = delete;

  void Start(const std::map<std::string, std::string>& environment = {});
  void Input(const std::string& line) { Probe.Input(line); }
  // The program's exit code once it has ended (within TimeoutMs), else -1.
  int Wait(int timeoutMs) { return Program->Wait(timeoutMs); }
  // Sends Signal to the program.
  void Signal(int signal) { Program->Signal(signal); }
  std::string Output() const;
  std::string GameFolder() const { return Folder; }

 private:
  TCompositorSession& Session;
  std::string Folder;
  TProbeSession Probe;
  std::unique_ptr<TUserProcess> Program;
};
