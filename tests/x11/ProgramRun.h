// The real program run by a test on its private X server, its errors kept in a file.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

// The program under test: named by BLASTOVER_PROGRAM (environment or build), else
// the one the build puts beside the tests' folder.
std::string ProgramPath();

// How a run starts: which copy of the program, and what its environment adds or changes.
struct TProgramStart {
  std::string Program;  // ProgramPath() when empty
  std::vector<std::pair<std::string, std::string>> Environment;
};

// One run of the program; killed if the test leaves it running.
class TProgramRun {
 public:
  explicit TProgramRun(const std::string& display, const TProgramStart& start = {});
  ~TProgramRun();
  TProgramRun(const TProgramRun&) = delete;
  TProgramRun& operator=(const TProgramRun&) = delete;

  void Signal(int signal);
  // The wait status once the program has ended, nothing if it runs on after TimeoutMs.
  std::optional<int> WaitForEnd(int timeoutMs);
  std::string ErrorOutput() const;

 private:
  pid_t Pid = -1;
  std::string ErrorFile;
  std::optional<int> EndStatus;
};
