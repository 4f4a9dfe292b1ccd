// Starting the program under test as a child that dies with the test, and waiting for its end.
#include "ProgramRun.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

std::string ProgramPath() {
  if (const char* given = std::getenv("BLASTOVER_PROGRAM"); given != nullptr && *given != '\0') return given;
#ifdef BLASTOVER_PROGRAM
  return BLASTOVER_PROGRAM;
#else
  return (std::filesystem::canonical("/proc/self/exe").parent_path().parent_path() / "blastover").string();
#endif
}

TProgramRun::TProgramRun(const std::string& display, const TProgramStart& start) {
  char name[] = "/tmp/blastover-stderr-XXXXXX";
  const int errors = mkstemp(name);
  ErrorFile = name;
  const std::string program = start.Program.empty() ? ProgramPath() : start.Program;
  Pid = fork();
  if (Pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    setenv("DISPLAY", display.c_str(), 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    for (const auto& [variable, value] : start.Environment) setenv(variable.c_str(), value.c_str(), 1);
    // Started from a terminal, not with the signals this test runner may ignore.
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, SIG_DFL);
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(errors, 2);
    execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(errors);
}

TProgramRun::~TProgramRun() {
  if (Pid > 0 && !EndStatus) {
    kill(Pid, SIGKILL);
    waitpid(Pid, nullptr, 0);
  }
  std::filesystem::remove(ErrorFile);
}

void TProgramRun::Signal(int signal) { kill(Pid, signal); }

std::optional<int> TProgramRun::WaitForEnd(int timeoutMs) {
  using TClock = std::chrono::steady_clock;
  const auto deadline = TClock::now() + std::chrono::milliseconds(timeoutMs);
  while (!EndStatus) {
    int status = 0;
    if (waitpid(Pid, &status, WNOHANG) == Pid) EndStatus = status;
    else if (TClock::now() >= deadline) break;
    else std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return EndStatus;
}

std::string TProgramRun::ErrorOutput() const {
  std::ifstream file(ErrorFile);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}
