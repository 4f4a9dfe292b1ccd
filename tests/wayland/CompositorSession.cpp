// Starting compositors and programs as the test user, each in a process group that ends with the test.
#include "CompositorSession.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/PngCodec.h"

namespace {

constexpr const char* UserName = "blastover-test";
constexpr int StartTimeoutMs = 15000;
constexpr int StopGraceMs = 3000;
// Nothing the tests start may outlive them by more than this, whatever happens to them.
constexpr const char* LongestLife = "600";

using TClock = std::chrono::steady_clock;

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
  const auto deadline = TClock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (TClock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// In the child: becomes the test user, in a group of its own, and dies with the parent.
void BecomeUser(const passwd& user) {
  setpgid(0, 0);
  if (initgroups(user.pw_name, user.pw_gid) != 0 || setgid(user.pw_gid) != 0 || setuid(user.pw_uid) != 0) _exit(126);
  // After the change of user: a change of credentials clears the parent-death signal.
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  setenv("HOME", user.pw_dir, 1);
  setenv("USER", user.pw_name, 1);
  setenv("LOGNAME", user.pw_name, 1);
}

}  // namespace

std::string TestUser(std::string* why) {
  if (getpwnam(UserName) == nullptr) {
    const std::string command = std::string("useradd -m ") + UserName + " >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0 && getpwnam(UserName) == nullptr) {
      if (why != nullptr) *why = std::string("cannot make the user ") + UserName + " (tests need root)";
      return "";
    }
  }
  return UserName;
}

TUserProcess::TUserProcess(const std::vector<std::string>& command, const std::map<std::string, std::string>& environment,
                           const std::string& outputFile, bool withInput) {
  const passwd* user = getpwnam(UserName);
  int pipeEnds[2] = {-1, -1};
  if (withInput && pipe2(pipeEnds, O_CLOEXEC) != 0) return;
  Process = fork();
  if (Process != 0) {
    if (withInput) {
      close(pipeEnds[0]);
      Input = pipeEnds[1];
    }
    return;
  }
  const int output = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  dup2(output, 1);
  dup2(output, 2);
  if (withInput) dup2(pipeEnds[0], 0);
  else dup2(open("/dev/null", O_RDONLY), 0);
  if (user == nullptr) _exit(126);
  BecomeUser(*user);
  for (const auto& [name, value] : environment) setenv(name.c_str(), value.c_str(), 1);
  std::vector<std::string> words = {"timeout", "-k", "5", LongestLife};
  words.insert(words.end(), command.begin(), command.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  execvp(argv[0], argv.data());
  _exit(127);
}

TUserProcess::~TUserProcess() { Stop(); }

bool TUserProcess::Running() { return Process > 0 && Wait(0) == -1 && Process > 0; }

int TUserProcess::Wait(int timeoutMs) {
  if (Process <= 0) return ExitCode;
  int status = 0;
  const bool ended = WaitFor([&] { return waitpid(Process, &status, WNOHANG) == Process; }, timeoutMs);
  if (!ended) return -1;
  // The group may hold children that outlive the first (swaybg, Xwayland).
  kill(-Process, SIGTERM);
  Process = -1;
  ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return ExitCode;
}

void TUserProcess::Stop() {
  if (Input >= 0) close(Input);
  Input = -1;
  if (Process <= 0) return;
  kill(-Process, SIGTERM);
  if (Wait(StopGraceMs) == -1 && Process > 0) {
    kill(-Process, SIGKILL);
    waitpid(Process, nullptr, 0);
    Process = -1;
  }
}

void TUserProcess::Signal(int signal) {
  if (Process > 0) kill(-Process, signal);
}

void TUserProcess::Send(const std::string& line) {
  if (Input < 0) return;
  const std::string text = line + "\n";
  if (write(Input, text.data(), text.size()) != static_cast<ssize_t>(text.size())) Stop();
}

TCompositorSession::TCompositorSession(TCompositorKind kind, const TCompositorOptions& options)
    : Kind(kind), Options(options) {}

TCompositorSession::~TCompositorSession() { Stop(); }

std::vector<std::string> TCompositorSession::CompositorCommand() {
  const std::string size = std::to_string(Options.Width) + "x" + std::to_string(Options.Height);
  if (Kind == TCompositorKind::Sway) {
    std::ofstream config(Runtime + "/sway.cfg");
    config << "xwayland disable\noutput HEADLESS-1 resolution " << size << " position 0 0 scale " << Options.Scale
           << " bg #102030 solid_color\n";
    if (Options.SecondWidth > 0)
      config << "output HEADLESS-2 resolution " << Options.SecondWidth << "x" << Options.SecondHeight << " position "
             << Options.Width / Options.Scale << " 0 bg #102030 solid_color\n";
    return {"sway", "-c", Runtime + "/sway.cfg"};
  }
  if (Kind == TCompositorKind::KWin) {
    // The installed program carries a file capability this machine's sandbox may refuse
    // to grant; a plain copy runs everywhere.
    const std::string copy = Runtime + "/kwin_wayland";
    std::filesystem::copy_file("/usr/bin/kwin_wayland", copy);
    chmod(copy.c_str(), 0755);
    // KWin's virtual output is given in logical pixels.
    return {copy, "--virtual", "--width", std::to_string(Options.Width / Options.Scale), "--height",
            std::to_string(Options.Height / Options.Scale),
            "--scale", std::to_string(Options.Scale), "--output-count", Options.SecondWidth > 0 ? "2" : "1",
            "--socket", "wayland-test", "--no-lockscreen", "--no-global-shortcuts", "--no-kactivities"};
  }
  return {"mutter", "--wayland", "--headless", "--virtual-monitor", size, "--wayland-display", "wayland-test"};
}

bool TCompositorSession::Start(std::string& why) {
  User = TestUser(&why);
  if (User.empty()) return false;
  const char* tool = Kind == TCompositorKind::Sway ? "sway" : Kind == TCompositorKind::KWin ? "kwin_wayland" : "mutter";
  if (std::system((std::string("command -v ") + tool + " >/dev/null").c_str()) != 0) {
    why = std::string(tool) + " is not installed";
    return false;
  }
  char folder[] = "/tmp/blastover-wayland-XXXXXX";
  if (mkdtemp(folder) == nullptr) return false;
  Runtime = folder;
  const passwd* user = getpwnam(User.c_str());
  if (chown(Runtime.c_str(), user->pw_uid, user->pw_gid) != 0) return false;
  if (!StartBus(why)) return false;
  std::map<std::string, std::string> environment = ClientEnvironment();
  environment.erase("WAYLAND_DISPLAY");
  environment.erase("DISPLAY");
  if (Options.SecondWidth > 0) environment["WLR_HEADLESS_OUTPUTS"] = "2";
  environment.insert({{"WLR_BACKENDS", "headless"}, {"WLR_LIBINPUT_NO_DEVICES", "1"}, {"WLR_RENDERER", "pixman"},
                      {"KWIN_WAYLAND_NO_PERMISSION_CHECKS", "1"}, {"KWIN_SCREENSHOT_NO_PERMISSION_CHECKS", "1"}});
  Compositor = std::make_unique<TUserProcess>(CompositorCommand(), environment, Runtime + "/compositor.log");
  return WaitForSocket(why);
}

bool TCompositorSession::StartBus(std::string& why) {
  // KWin and mutter serve their screenshots and remote input on a session bus.
  Bus = std::make_unique<TUserProcess>(
      std::vector<std::string>{"dbus-daemon", "--session", "--nofork", "--address=unix:path=" + Runtime + "/bus"},
      std::map<std::string, std::string>{{"XDG_RUNTIME_DIR", Runtime}}, Runtime + "/bus.log");
  if (WaitFor([&] { return std::filesystem::exists(Runtime + "/bus"); }, StartTimeoutMs)) return true;
  why = "no session bus could be started";
  return false;
}

bool TCompositorSession::WaitForSocket(std::string& why) {
  const bool up = WaitFor(
      [&] {
        if (!Compositor->Running()) return true;
        for (const auto& entry : std::filesystem::directory_iterator(Runtime)) {
          const std::string name = entry.path().filename().string();
          if (name.rfind("wayland-", 0) == 0 && entry.is_socket()) Socket = name;
        }
        // mutter opens its socket before it can show anything: its X display comes last.
        return !Socket.empty() && (Kind != TCompositorKind::Mutter || !XDisplay().empty());
      },
      StartTimeoutMs);
  if (up && !Socket.empty() && Compositor->Running()) return true;
  std::string log = ReadFile("compositor.log");
  if (log.size() > 600) log = log.substr(log.size() - 600);
  why = "the compositor did not start: " + log;
  return false;
}

void TCompositorSession::Stop() {
  if (Compositor) Compositor->Stop();
  if (Bus) Bus->Stop();
  Compositor.reset();
  Bus.reset();
  if (!Runtime.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(Runtime, ignored);
  }
  Runtime.clear();
}

void TCompositorSession::Kill() {
  if (Compositor) Compositor->Signal(SIGKILL);
}

std::map<std::string, std::string> TCompositorSession::ClientEnvironment() const {
  std::map<std::string, std::string> environment = {{"XDG_RUNTIME_DIR", Runtime},
                                                    {"WAYLAND_DISPLAY", Socket},
                                                    {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + Runtime + "/bus"},
                                                    {"SDL_AUDIODRIVER", "dummy"}};
  const std::string display = XDisplay();
  if (!display.empty()) environment["DISPLAY"] = display;
  for (const auto& entry : std::filesystem::directory_iterator(Runtime))
    if (entry.path().filename().string().rfind(".mutter-Xwaylandauth", 0) == 0) environment["XAUTHORITY"] = entry.path();
  return environment;
}

std::unique_ptr<TUserProcess> TCompositorSession::Run(const std::vector<std::string>& command, const std::string& outputName,
                                                      const std::map<std::string, std::string>& extra, bool withInput) {
  std::map<std::string, std::string> environment = ClientEnvironment();
  for (const auto& [name, value] : extra) environment[name] = value;
  return std::make_unique<TUserProcess>(command, environment, Runtime + "/" + outputName, withInput);
}

int TCompositorSession::RunToEnd(const std::vector<std::string>& command, int timeoutMs) {
  std::unique_ptr<TUserProcess> process = Run(command, "tools.log");
  const int code = process->Wait(timeoutMs);
  process->Stop();
  return code;
}

bool TCompositorSession::Screenshot(std::vector<uint32_t>& pixels, int& width, int& height, const std::string& keepAs) {
  const std::string file = Runtime + "/shot.png";
  std::filesystem::remove(file);
  if (Kind == TCompositorKind::Sway && RunToEnd({"grim", "-c", file}) != 0) return false;
  if (Kind == TCompositorKind::KWin && RunToEnd({ProbePath(), "kwin-shot", file}) != 0) return false;
  if (Kind == TCompositorKind::Mutter) return false;
  std::ifstream stream(file, std::ios::binary);
  const std::vector<uint8_t> data((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
  try {
    TDecodedPng picture = DecodePng(data);
    pixels = std::move(picture.Pixels);
    width = picture.Width;
    height = picture.Height;
  } catch (const EPngError&) {
    return false;
  }
  if (!keepAs.empty()) std::filesystem::copy_file(file, keepAs, std::filesystem::copy_options::overwrite_existing);
  return true;
}

std::string TCompositorSession::ReadFile(const std::string& name) const {
  std::ifstream stream(Runtime + "/" + name);
  std::stringstream text;
  text << stream.rdbuf();
  return text.str();
}

int TCompositorSession::SwayMessage(const std::vector<std::string>& arguments) {
  std::string socket;
  for (const auto& entry : std::filesystem::directory_iterator(Runtime))
    if (entry.path().filename().string().rfind("sway-ipc.", 0) == 0) socket = entry.path();
  std::vector<std::string> command = {"swaymsg", "-s", socket};
  command.insert(command.end(), arguments.begin(), arguments.end());
  return RunToEnd(command);
}

std::string TCompositorSession::XDisplay() const {
  if (Kind != TCompositorKind::Mutter) return "";
  const std::string log = ReadFile("compositor.log");
  const std::string marker = "Using public X11 display ";
  const size_t at = log.find(marker);
  if (at == std::string::npos) return "";
  const size_t start = at + marker.size();
  return log.substr(start, log.find_first_of(",\n", start) - start);
}

std::string ProgramPath() { return BLASTOVER_PROGRAM; }

std::string ProbePath() { return BLASTOVER_PROBE; }
