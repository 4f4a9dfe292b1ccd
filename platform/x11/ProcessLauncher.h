// Starting other programs without a shell, and reaping those not waited for.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// Splits a command line into words at blanks; double quotes group blanks into a
// word and are removed ("a b"c is the one word a bc). No other character is special.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

class TProcessLauncher {
 public:
  TProcessLauncher() = default;
  TProcessLauncher(const TProcessLauncher&) = delete;
  TProcessLauncher& operator=(const TProcessLauncher&) = delete;

  // Starts Words[0] (looked up in PATH) with all words as its arguments; with Wait,
  // returns when it has ended. False when it cannot be started.
  bool Start(const std::vector<std::string>& words, bool wait);
  // Starts it without waiting, but gives it GraceMs to fail: an opener that ends at once
  // with an error is a failure (errno says which); one still running is taken as success.
  bool StartAndWatch(const std::vector<std::string>& words, int graceMs);
  // Opens a document or web address with the desktop's default handler (xdg-open).
  bool OpenAddress(const std::string& address);
  // The opener's name when the last OpenAddress failed because it could not be started
  // (not installed), empty otherwise.
  const std::string& MissingOpener() const { return MissingOpenerName; }
  // Starts a program by command line (SplitCommandLine); with Wait, returns when it has ended.
  bool StartCommandLine(const std::string& commandLine, bool wait) { return Start(SplitCommandLine(commandLine), wait); }
  // Collects the programs started without waiting that have ended, so none is left a zombie.
  void Reap();
  // True when the last Start or StartAndWatch failed because the program itself could
  // not be found or started, rather than ending with an error.
  bool NotStarted() const { return StartFailed; }

 private:
  std::vector<pid_t> Running;
  std::string MissingOpenerName;
  bool StartFailed = false;
};
