// Running the Windows build's programs under Wine with pipes to them, for the Wine tests.
#include "WineProgram.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using TClock = std::chrono::steady_clock;

long MsSince(TClock::time_point start) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - start).count());
}

}  // namespace

std::string WindowsBuildFolder() { return BLASTOVER_WINDOWS_BUILD; }

std::string WineTestsMissing(const std::vector<std::string>& programs) {
  if (WindowsBuildFolder().empty()) return "no Windows build was given (BLASTOVER_WINDOWS_BUILD)";
  if (std::system("command -v wine >/dev/null 2>&1") != 0) return "Wine is not installed (tools/windows/build installs it)";
  for (const std::string& program : programs)
    if (!std::filesystem::exists(WindowsBuildFolder() + "/" + program))
      return WindowsBuildFolder() + "/" + program + " is missing: build it with tools/windows/build";
  return {};
}

void EndWineServer() { std::system((std::string(BLASTOVER_WINE_RUN) + " --end-server").c_str()); }

TWineProgram::TWineProgram(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& display, const std::vector<std::string>& environment) {
  int toChild[2], fromChild[2];
  if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0) return;
  ErrorFile = std::filesystem::temp_directory_path() / ("wine-stderr-" + std::to_string(getpid()) + "-" +
                                                        std::to_string(reinterpret_cast<uintptr_t>(this)));
  const pid_t parent = getpid();
  Child = fork();
  if (Child == 0) {
    // Ends with the test, whatever happens to the test.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    dup2(toChild[0], 0);
    dup2(fromChild[1], 1);
    const int error = open(ErrorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (error >= 0) dup2(error, 2);
    setenv("DISPLAY", display.c_str(), 1);
    for (const std::string& variable : environment) putenv(strdup(variable.c_str()));
    const std::string runner = BLASTOVER_WINE_RUN;
    const std::string file = program.front() == '/' ? program : WindowsBuildFolder() + "/" + program;
    std::vector<const char*> words = {runner.c_str(), file.c_str()};
    for (const std::string& argument : arguments) words.push_back(argument.c_str());
    words.push_back(nullptr);
    execv(runner.c_str(), const_cast<char* const*>(words.data()));
    _exit(127);
  }
  close(toChild[0]);
  close(fromChild[1]);
  Input = toChild[1];
  Output = fromChild[0];
}

TWineProgram::~TWineProgram() {
  if (Input >= 0) close(Input);
  if (Child > 0 && Wait(10000) < 0) {
    kill(Child, SIGKILL);
    waitpid(Child, nullptr, 0);
  }
  if (Output >= 0) close(Output);
  if (!ErrorFile.empty()) std::filesystem::remove(ErrorFile);
}

void TWineProgram::Send(const std::string& line) {
  const std::string text = line + "\n";
  if (Input >= 0 && write(Input, text.data(), text.size()) < 0) {
    close(Input);
    Input = -1;
  }
}

std::string TWineProgram::Expect(const std::string& prefix, int timeoutMs) {
  const auto start = TClock::now();
  for (;;) {
    for (size_t end = Pending.find('\n'); end != std::string::npos; end = Pending.find('\n')) {
      std::string line = Pending.substr(0, end);
      Pending.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.rfind(prefix, 0) == 0) return line;
    }
    const long left = timeoutMs - MsSince(start);
    if (left <= 0 || Output < 0) return {};
    pollfd ready{Output, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(left)) <= 0) return {};
    char buffer[4096];
    const ssize_t n = read(Output, buffer, sizeof buffer);
    if (n <= 0) return {};
    Pending.append(buffer, static_cast<size_t>(n));
  }
}

int TWineProgram::Wait(int timeoutMs) {
  if (Child <= 0) return -1;
  const auto start = TClock::now();
  int status = 0;
  while (MsSince(start) < timeoutMs) {
    if (waitpid(Child, &status, WNOHANG) == Child) {
      Child = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return -1;
}

std::string TWineProgram::ErrorOutput() {
  std::ifstream file(ErrorFile);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}
