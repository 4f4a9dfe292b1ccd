// A Windows program of the Windows build, run under Wine on a given X display, with its
// standard input and output in the test's hands.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// The folder of the Windows build the tests were configured with; empty when none.
std::string WindowsBuildFolder();
// Why the Wine tests cannot run (no Windows build, no Wine, a program missing), or
// empty when they can: a test fails with this text rather than passing silently.
std::string WineTestsMissing(const std::vector<std::string>& programs);

// Ends the Wine server of the tests' prefix and every program of it. Wine's desktop takes
// the screen of the display its first program runs on, so a test on a display of its
// own starts with none running.
void EndWineServer();

class TWineProgram {
 public:
  // Starts Program (a file of the Windows build, or an absolute path) with Arguments under tools/windows/wine-run,
  // on Display, with Environment ("NAME=value") added.
  TWineProgram(const std::string& program, const std::vector<std::string>& arguments, const std::string& display,
               const std::vector<std::string>& environment = {});
  ~TWineProgram();
  TWineProgram(const TWineProgram&) = delete;
  TWineProgram& operator=(const TWineProgram&) = delete;

  // Sends one line to the program's standard input.
  void Send(const std::string& line);
  // The next line of its standard output that starts with Prefix, skipping others; empty
  // when none came within TimeoutMs or the program ended.
  std::string Expect(const std::string& prefix, int timeoutMs = 20000);
  // Waits up to TimeoutMs for the program to end; its exit code, or -1 (then it is killed).
  int Wait(int timeoutMs = 20000);
  // Everything it wrote to standard error so far.
  std::string ErrorOutput();

 private:
  pid_t Child = -1;
  int Input = -1;
  int Output = -1;
  std::string ErrorFile;
  std::string Pending;
};
