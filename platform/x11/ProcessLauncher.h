// Starting other programs without a shell, reaping those not waited for, and watching the desktop's opener.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"

// Splits a command line into words at blanks; double quotes group blanks into a
// word and are removed ("a b"c is the one word a bc). No other character is special.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

class TProcessLauncher {
 public:
  // Long enough for the desktop's opener to say it has nothing to open an address with.
  static constexpr int OpenerWatchMs = 2000;

  TProcessLauncher() = default;
  TProcessLauncher(const TProcessLauncher&) = delete;
  TProcessLauncher& operator=(const TProcessLauncher&) = delete;

  // Starts Words[0] (looked up in PATH) with all words as its arguments; with Wait,
  // returns when it has ended. False when it cannot be started.
  bool Start(const std::vector<std::string>& words, bool wait);
  // Starts the desktop's default handler (xdg-open) on a document or web address and
  // returns at once. False when the opener cannot be started (errno and MissingOpener say
  // why). Reap then watches it for OpenerWatchMs: one that ends with an error by then is
  // reported to OnLaterFailure; one still running is a browser on its way. While one is
  // watched, another call starts nothing and returns true.
  bool OpenAddress(const std::string& address, TOpenFailureHandler onLaterFailure);
  // The opener's name when the last OpenAddress failed because it could not be started
  // (not installed), empty otherwise.
  const std::string& MissingOpener() const { return MissingOpenerName; }
  // Starts a program by command line (SplitCommandLine); with Wait, returns when it has ended.
  bool StartCommandLine(const std::string& commandLine, bool wait) { return Start(SplitCommandLine(commandLine), wait); }
  // Collects the programs started without waiting that have ended, so none is left a
  // zombie, and reports a watched opener's failure.
  void Reap();
  // True when the last Start failed because the program could not be found or started.
  bool NotStarted() const { return StartFailed; }

 private:
  struct TWatchedOpener {
    pid_t Child = 0;
    std::chrono::steady_clock::time_point Until;
    TOpenFailureHandler OnFailure;
  };

  // Collects the ended programs other than a watched opener.
  void ReapEnded();
  void CheckWatchedOpener();

  std::vector<pid_t> Running;
  std::optional<TWatchedOpener> Watched;
  std::string MissingOpenerName;
  bool StartFailed = false;
};
