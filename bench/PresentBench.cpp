// Presenting game frames at 1920x1080 through the X11 back end, on an Xvfb of the
// benchmark's own: MIT-SHM (two images) beside XPutImage, without a compositor (the
// window's shape follows the sprites) and with picom (black becomes alpha 0).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/x11/X11Platform.h"
#include "sprites/Bitmap32.h"
#include "sprites/Resampler.h"
#include "support/Random.h"

namespace {

constexpr int ScreenWidth = 1920;
constexpr int ScreenHeight = 1080;
constexpr int PlayfieldWidth = 768;
constexpr int PlayfieldHeight = 432;
// Frames cycled through, each with the sprites a step further, so that the shape changes.
constexpr int FrameCount = 4;
constexpr int SpriteCount = 100;
constexpr int SpriteSide = 12;
constexpr int StartTimeoutMs = 10000;

// A child that dies with the benchmark, its output discarded; Descriptor stays open as 3.
pid_t Spawn(const std::vector<std::string>& arguments, int descriptor, const std::string& display) {
  const pid_t child = fork();
  if (child != 0) return child;
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (descriptor >= 0 && descriptor != 3) dup2(descriptor, 3);
  const int null = open("/dev/null", O_RDWR);
  dup2(null, 1);
  dup2(null, 2);
  if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  execvp(argv[0], argv.data());
  _exit(127);
}

void Stop(pid_t process) {
  if (process <= 0) return;
  kill(process, SIGTERM);
  waitpid(process, nullptr, 0);
}

// An Xvfb at 1920x1080, with picom on it when asked.
class TPrivateServer {
 public:
  explicit TPrivateServer(bool compositor) {
    int ends[2];
    if (pipe(ends) != 0) throw std::runtime_error("pipe failed");
    const std::string size = std::to_string(ScreenWidth) + "x" + std::to_string(ScreenHeight) + "x24";
    Xvfb = Spawn({"Xvfb", "-displayfd", "3", "-screen", "0", size, "-nolisten", "tcp", "-noreset"}, ends[1], "");
    close(ends[1]);
    std::string number;
    while (number.empty() || number.back() != '\n') {
      pollfd wanted{ends[0], POLLIN, 0};
      char c = 0;
      if (poll(&wanted, 1, StartTimeoutMs) <= 0 || read(ends[0], &c, 1) != 1) break;
      number += c;
    }
    close(ends[0]);
    if (number.empty() || number.back() != '\n') throw std::runtime_error("Xvfb did not start");
    number.pop_back();
    Name = ":" + number;
    if (compositor) StartPicom();
  }
  ~TPrivateServer() {
    Stop(Picom);
    Stop(Xvfb);
  }
  TPrivateServer(const TPrivateServer&) = delete;
  TPrivateServer& operator=(const TPrivateServer&) = delete;

  const std::string& Display() const { return Name; }

 private:
  // picom's own window appears once it has taken the compositor selection.
  void StartPicom() {
    Picom = Spawn({"picom", "--backend", "xrender", "--no-vsync", "--config", "/dev/null"}, -1, Name);
    const std::string command = "xwininfo -display " + Name + " -root -children 2>/dev/null";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(StartTimeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
      std::string listing;
      if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, pipe) != nullptr) listing += buffer;
        pclose(pipe);
      }
      if (listing.find("\"picom\"") != std::string::npos) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    throw std::runtime_error("picom did not start");
  }

  std::string Name;
  pid_t Xvfb = -1;
  pid_t Picom = -1;
};

TPrivateServer& Server(bool compositor) {
  static std::unique_ptr<TPrivateServer> servers[2];
  std::unique_ptr<TPrivateServer>& server = servers[compositor ? 1 : 0];
  if (!server) server = std::make_unique<TPrivateServer>(compositor);
  return *server;
}

// Game-like frames: sprites scattered over a black playfield, enlarged onto the screen.
struct TFrames {
  TBitmap32 Playfields[FrameCount];
  TBitmap32 Screens[FrameCount];

  TFrames() {
    RandSeed(3);
    std::vector<std::pair<int, int>> places;
    for (int i = 0; i < SpriteCount; ++i)
      places.emplace_back(Random(PlayfieldWidth - SpriteSide - FrameCount), Random(PlayfieldHeight - SpriteSide));
    for (int f = 0; f < FrameCount; ++f) {
      TBitmap32& playfield = Playfields[f];
      playfield.SetSize(PlayfieldWidth, PlayfieldHeight);
      for (const auto& [x, y] : places)
        for (int dy = 0; dy < SpriteSide; ++dy)
          for (int dx = 0; dx < SpriteSide; ++dx) playfield.SetPixel(x + f + dx, y + dy, 0x00C08040);
      playfield.SetResampler(std::make_unique<TMyLinearResampler>());
      Screens[f].SetSize(ScreenWidth, ScreenHeight);
      Screens[f].Draw(Screens[f].BoundsRect(), playfield.BoundsRect(), playfield);
    }
  }
};

void Present(benchmark::State& state, bool compositor, bool shared) {
  static const TFrames frames;
  setenv("DISPLAY", Server(compositor).Display().c_str(), 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  if (shared)
    unsetenv("BLASTOVER_NO_SHM");
  else
    setenv("BLASTOVER_NO_SHM", "1", 1);
  std::string error;
  std::unique_ptr<TPlatform> platform = CreateX11Platform(error);
  if (!platform) {
    state.SkipWithError(error.c_str());
    return;
  }
  InstallPlatform(platform.get());
  {
    std::unique_ptr<TPlatformWindow> window = platform->CreateWindow(TWindowKind::Overlay);
    window->Show();
    int f = 0;
    for (auto _ : state) {
      const TPixelView source = frames.Playfields[f].View();
      window->Present(frames.Screens[f].View(), &source);
      platform->ProcessMessages();
      f = (f + 1) % FrameCount;
    }
    window->Hide();
  }
  InstallPlatform(nullptr);
  unsetenv("BLASTOVER_NO_SHM");
}

void BM_PresentShmShaped(benchmark::State& state) { Present(state, false, true); }
void BM_PresentPutImageShaped(benchmark::State& state) { Present(state, false, false); }
void BM_PresentShmComposited(benchmark::State& state) { Present(state, true, true); }
void BM_PresentPutImageComposited(benchmark::State& state) { Present(state, true, false); }

// The server works in its own process: real time per frame is what a frame costs.
BENCHMARK(BM_PresentShmShaped)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PresentPutImageShaped)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PresentShmComposited)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PresentPutImageComposited)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
