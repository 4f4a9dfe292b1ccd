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

TPrivateXServer::TPrivateXServer(int width, int height, bool screenFile) : Owner(getpid()) {
  if (screenFile) {
    char folder[] = "/tmp/blastover-xvfb-XXXXXX";
    if (mkdtemp(folder) == nullptr) throw std::runtime_error("mkdtemp failed");
    FramebufferFolder = folder;
  }
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) throw std::runtime_error("pipe failed");
  const std::string size = std::to_string(width) + "x" + std::to_string(height) + "x24";
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
