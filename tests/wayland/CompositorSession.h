// Headless Wayland compositors (sway, KWin, mutter) started by the tests as an ordinary user, and what the tests do in them.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The user the compositors and the game run as: sway refuses to run as root. Made on
// first use (useradd) when missing; empty with Why set when that cannot be done.
std::string TestUser(std::string* why = nullptr);

// A process of the test user in a process group of its own, which ends with it (and
// with the test, by a parent-death signal). Its output goes to a file.
class TUserProcess {
 public:
  TUserProcess(const std::vector<std::string>& command, const std::map<std::string, std::string>& environment,
               const std::string& outputFile, bool withInput = false);
  ~TUserProcess();
  TUserProcess(const TUserProcess&) = delete;
  TUserProcess& operator=(const TUserProcess&) = delete;

  pid_t Pid() const { return Process; }
  bool Running();
  // Waits up to TimeoutMs for the process to end; its exit code, or -1 when it did not
  // end (or ended by a signal).
  int Wait(int timeoutMs);
  // Ends the whole process group: SIGTERM, then SIGKILL after a grace.
  void Stop();
  // Sends Signal to the whole process group.
  void Signal(int signal);
  // Writes a line to the process's standard input (when made WithInput).
  void Send(const std::string& line);

 private:
  pid_t Process = -1;
  int Input = -1;
  int ExitCode = -1;
};

enum class TCompositorKind { Sway, KWin, Mutter };

struct TCompositorOptions {
  int Width = 1280;
  int Height = 720;
  int Scale = 1;  // sway and KWin only
  // A second output to the right of the first, when wider than 0 (on KWin of the
  // first one's size whatever is asked).
  int SecondWidth = 0;
  int SecondHeight = 0;
};

// One compositor with its own runtime folder and session bus, and the programs run in
// it. Start() says why it could not start; tests skip with that reason only then.
class TCompositorSession {
 public:
  TCompositorSession(TCompositorKind kind, const TCompositorOptions& options = {});
  ~TCompositorSession();
  TCompositorSession(const TCompositorSession&) = delete;
  TCompositorSession& operator=(const TCompositorSession&) = delete;

  // Starts it and waits for its socket; false with Why set when it cannot start here.
  bool Start(std::string& why);
  void Stop();
  // Kills the compositor at once, as a crash would end it; its clients stay.
  void Kill();

  const std::string& RuntimeFolder() const { return Runtime; }
  // The environment a client of this compositor needs (runtime folder, display, bus).
  std::map<std::string, std::string> ClientEnvironment() const;
  // Runs Command as the test user in the session; with Input, lines can be sent to it.
  std::unique_ptr<TUserProcess> Run(const std::vector<std::string>& command, const std::string& outputName,
                                    const std::map<std::string, std::string>& extra = {}, bool withInput = false);
  // Runs Command to its end (at most TimeoutMs); its exit code.
  int RunToEnd(const std::vector<std::string>& command, int timeoutMs = 20000);
  // The screen as the compositor shows it (with the pointer on sway), as ARGB pixels.
  bool Screenshot(std::vector<uint32_t>& pixels, int& width, int& height, const std::string& keepAs = "");
  // The text a file of the session's folder holds (program output, say).
  std::string ReadFile(const std::string& name) const;
  // Runs swaymsg with the arguments against this session's sway; its exit code.
  int SwayMessage(const std::vector<std::string>& arguments);
  // The X display mutter runs Xwayland on (":N"), empty for the others.
  std::string XDisplay() const;

 private:
  bool WaitForSocket(std::string& why);
  bool StartBus(std::string& why);
  std::vector<std::string> CompositorCommand();

  TCompositorKind Kind;
  TCompositorOptions Options;
  std::string User;
  std::string Runtime;
  std::string Socket;
  std::unique_ptr<TUserProcess> Bus;
  std::unique_ptr<TUserProcess> Compositor;
};

// The program under test and the probe, beside the test binary (set by the build).
std::string ProgramPath();
std::string ProbePath();
