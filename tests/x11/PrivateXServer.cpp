// Starting and ending Xvfb and picom as children that die with the process.
#include "PrivateXServer.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

constexpr int StartTimeoutMs = 10000;

using TClock = std::chrono::steady_clock;

// Runs Arguments in a child that dies with this process, its output discarded.
// DisplayFd, when set, stays open in the child as descriptor 3.
pid_t SpawnDaemon(const std::vector<std::string>& arguments, int displayFd, const std::string& display) {
  const pid_t child = fork();
  if (child != 0) return child;
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (displayFd >= 0 && displayFd != 3) dup2(displayFd, 3);
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

void EndChild(pid_t& process) {
  if (process <= 0) return;
  kill(process, SIGTERM);
  int status = 0;
  waitpid(process, &status, 0);
  process = -1;
}

// The display Xvfb names on Descriptor (its number) once it accepts clients.
std::string ReadDisplayName(int descriptor) {
  std::string number;
  const auto deadline = TClock::now() + std::chrono::milliseconds(StartTimeoutMs);
  while (number.empty() || number.back() != '\n') {
    pollfd wanted{descriptor, POLLIN, 0};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now());
    if (left.count() <= 0 || poll(&wanted, 1, static_cast<int>(left.count())) <= 0) break;
    char c = 0;
    if (read(descriptor, &c, 1) != 1) break;
    number += c;
  }
  if (number.empty() || number.back() != '\n') throw std::runtime_error("Xvfb did not start");
  number.pop_back();
  std::string name(1, ':');
  name.append(number);
  return name;
}

}  // namespace

TPrivateXServer::TPrivateXServer(int width, int height, bool screenFile, int depth) : Owner(getpid()) {
  if (screenFile) {
    char folder[] = "/tmp/blastover-xvfb-XXXXXX";
    if (mkdtemp(folder) == nullptr) throw std::runtime_error("mkdtemp failed");
    FramebufferFolder = folder;
  }
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) throw std::runtime_error("pipe failed");
  const std::string size = std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(depth);
  // -noreset: the server keeps its state when the last client goes, as a desktop's does.
  std::vector<std::string> arguments{"Xvfb", "-displayfd", "3", "-screen", "0", size, "-nolisten", "tcp", "-noreset"};
  if (screenFile) arguments.insert(arguments.end(), {"-fbdir", FramebufferFolder});
  Xvfb = SpawnDaemon(arguments, pipeEnds[1], "");
  close(pipeEnds[1]);
  try {
    DisplayName = ReadDisplayName(pipeEnds[0]);
  } catch (...) {
    close(pipeEnds[0]);
    Stop();
    throw;
  }
  close(pipeEnds[0]);
}

TPrivateXServer::~TPrivateXServer() {
  if (getpid() == Owner) Stop();
}

void TPrivateXServer::StartCompositor() {
  Picom = SpawnDaemon({"picom", "--backend", "xrender", "--no-vsync", "--config", "/dev/null"}, -1, DisplayName);
  Display* dpy = XOpenDisplay(DisplayName.c_str());
  if (dpy == nullptr) throw std::runtime_error("cannot reach the private X server " + DisplayName);
  const Atom selection = XInternAtom(dpy, "_NET_WM_CM_S0", False);
  const auto deadline = TClock::now() + std::chrono::milliseconds(StartTimeoutMs);
  bool running = false;
  while (!(running = XGetSelectionOwner(dpy, selection) != None) && TClock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  XCloseDisplay(dpy);
  if (!running) throw std::runtime_error("picom did not take the compositor selection");
}

void TPrivateXServer::StopCompositor() { EndChild(Picom); }

void TPrivateXServer::Stop() {
  EndChild(Picom);
  EndChild(Xvfb);
  if (!FramebufferFolder.empty()) std::filesystem::remove_all(FramebufferFolder);
}

namespace {

// Video memory enough for two 1920x1080 monitors; modes from the driver's own list.
constexpr const char* DummyConfiguration = R"(Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "AutoEnableDevices" "false"
  Option "DontVTSwitch" "true"
EndSection
Section "Device"
  Identifier "card"
  Driver "dummy"
  VideoRam 65536
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 1.0 - 2000.0
  VertRefresh 1.0 - 200.0
EndSection
Section "Screen"
  Identifier "screen"
  Device "card"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual 4096 2048
  EndSubSection
EndSection
)";

}  // namespace

TDummyXorgServer::TDummyXorgServer(const std::vector<std::pair<int, int>>& monitors) : Owner(getpid()) {
  char folder[] = "/tmp/blastover-xorg-XXXXXX";
  if (mkdtemp(folder) == nullptr) throw std::runtime_error("mkdtemp failed");
  Folder = folder;
  std::filesystem::create_directory(Folder + "/conf.d");
  std::ofstream(Folder + "/xorg.conf") << DummyConfiguration;
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) throw std::runtime_error("pipe failed");
  Xorg = SpawnDaemon({"Xorg", "-displayfd", "3", "-config", Folder + "/xorg.conf", "-configdir", Folder + "/conf.d",
                      "-logfile", Folder + "/Xorg.log", "-nolisten", "tcp", "-noreset", "-novtswitch", "-sharevts"},
                     pipeEnds[1], "");
  close(pipeEnds[1]);
  try {
    DisplayName = ReadDisplayName(pipeEnds[0]);
  } catch (...) {
    close(pipeEnds[0]);
    EndChild(Xorg);
    std::filesystem::remove_all(Folder);
    throw std::runtime_error("Xorg with the dummy driver did not start");
  }
  close(pipeEnds[0]);
  int left = 0;
  for (size_t i = 0; i < monitors.size(); ++i) {
    const std::string output = "DUMMY" + std::to_string(i);
    const std::string mode = std::to_string(monitors[i].first) + "x" + std::to_string(monitors[i].second);
    // An output without a monitor plugged in takes a mode only once it has been given it.
    RandR({"--addmode", output, mode});
    if (!RandR({"--output", output, "--mode", mode, "--pos", std::to_string(left) + "x0"}))
      throw std::runtime_error("xrandr could not set up " + output + " at " + mode);
    left += monitors[i].first;
  }
  RandR({"--output", "DUMMY0", "--primary"});
}

TDummyXorgServer::~TDummyXorgServer() {
  if (getpid() != Owner) return;
  EndChild(Xorg);
  std::filesystem::remove_all(Folder);
}

bool TDummyXorgServer::RandR(const std::vector<std::string>& arguments) const {
  std::vector<std::string> command{"xrandr", "-display", DisplayName};
  command.insert(command.end(), arguments.begin(), arguments.end());
  const pid_t child = SpawnDaemon(command, -1, "");
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
