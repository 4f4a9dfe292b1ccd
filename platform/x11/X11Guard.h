// Giving the desktop its cursors back however the program ends: stop signals, crashes, uncaught exceptions.
#pragma once

#include <functional>
#include <optional>
#include <string>

// The server keeps replaced cursors after the program is gone, so every way out must
// give them back first. Every signal whose default action ends the program is taken:
// - Stop signals (SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGALRM, SIGPIPE, the
//   limits' SIGXCPU and SIGXFSZ, the real-time signals and the rest) only write their
//   number into a pipe. The waiting loops watch the pipe and call StopIfSignalled,
//   which runs the stop action in the program's own time (the X connection may be used
//   there), says why on stderr and exits with 128 + the signal, as a shell reports a
//   program ended by a signal. A signal that was ignored or had a handler of someone
//   else's when the first guard came is left as it was.
// - SIGABRT, SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGTRAP, SIGSYS and an uncaught exception
//   cannot wait for that and must not trust the program's state, its heap least of all
//   (the crash may have come inside the allocator, with its lock taken): the program
//   starts itself again as a helper (RunRestoreMode), with nothing but async-signal-safe
//   calls, and the helper gives the standard cursors back on a connection of its own;
//   the program then dies as it would have. Their handler runs on a stack of its own,
//   so a stack overflow of the thread that made the guard is handled too.
// - SIGKILL and a lost connection leave the cursors replaced: the next start restores them.
// The Wayland back end keeps a guard too, for its stop signals: it replaces no cursors,
// so its crashes have nothing to give back.
// Signals belong to the process, not to one guard: the first guard installs the
// handlers and the last one to go puts the previous ones back; the newest guard's
// stop action is the one that runs.
class TX11Guard {
 public:
  // DisplayName is the display to reach when the program crashes. StopAction gives
  // the cursors back and removes the windows; the program ends after it.
  TX11Guard(const std::string& displayName, std::function<void()> stopAction);
  ~TX11Guard();
  TX11Guard(const TX11Guard&) = delete;
  TX11Guard& operator=(const TX11Guard&) = delete;

  // Readable while a stop signal waits: for the poll of every loop that waits.
  static int StopDescriptor();
  // Ends the program through the stop action if a stop signal has come; else returns.
  static void StopIfSignalled();
  // True while a stop signal waits for StopIfSignalled: for a loop that may run on
  // another thread, which leaves the stop to the program's own.
  static bool StopPending();
  // Whether the desktop's cursors are replaced now, so that a crash gives them back.
  static void NoteCursorsReplaced(bool replaced);

  // The program was started as a crash's helper: gives the standard cursors back on the
  // display it names and returns the exit code. Nothing for any other start.
  static std::optional<int> RunRestoreMode(int argc, char** argv);
  // The helper is this program unless told otherwise (a test program names the game's).
  static void UseRestoreProgram(const std::string& program);

 private:
  std::function<void()> StopAction;
};
