// Stop signals through a self-pipe; crashes and uncaught exceptions through a helper on a fresh connection.
#include "platform/x11/X11Guard.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <vector>

#include "platform/x11/X11Cursors.h"

namespace {

constexpr int StopSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int CrashSignals[] = {SIGABRT, SIGSEGV, SIGBUS};
constexpr int SignalCount = 3;
// How long a dying program waits for its helper. The helper may hang on a lock the
// crash left taken (inside malloc, say); a hang must not replace the crash.
constexpr int HelperWaitMs = 1000;
constexpr int HelperPollMs = 10;

std::vector<TX11Guard*> Guards;
int StopPipe[2] = {-1, -1};
struct sigaction PreviousStop[SignalCount];
struct sigaction PreviousCrash[SignalCount];
std::terminate_handler PreviousTerminate = nullptr;
volatile sig_atomic_t CursorsReplaced = 0;
volatile sig_atomic_t CrashHandled = 0;
// Copied while all is well, so that a crash handler reads nothing from the heap.
char CrashDisplay[256] = {};

void OnStopSignal(int signal) {
  const int saved = errno;
  const unsigned char number = static_cast<unsigned char>(signal);
  // A full pipe means a stop is already waiting; the byte is not needed then.
  [[maybe_unused]] const ssize_t written = write(StopPipe[1], &number, 1);
  errno = saved;
}

int QuitHelper(Display*) { _exit(1); }
int IgnoreError(Display*, XErrorEvent*) { return 0; }

// Gives the standard cursors back from a child process on its own connection: the
// dying program's connection may be half-way through a request, and its heap broken.
void RestoreAfterCrash() {
  if (!CursorsReplaced || CrashHandled) return;
  CrashHandled = 1;
  const pid_t helper = fork();
  if (helper == 0) {
    XSetIOErrorHandler(QuitHelper);
    XSetErrorHandler(IgnoreError);
    if (Display* dpy = XOpenDisplay(CrashDisplay)) {
      RestoreStandardCursors(dpy);
      XCloseDisplay(dpy);
    }
    _exit(0);
  }
  if (helper < 0) return;
  for (int waited = 0; waited < HelperWaitMs; waited += HelperPollMs) {
    if (waitpid(helper, nullptr, WNOHANG) != 0) return;
    const timespec pause{0, HelperPollMs * 1000000L};
    nanosleep(&pause, nullptr);
  }
  kill(helper, SIGKILL);
  waitpid(helper, nullptr, 0);
}

int CrashIndex(int signal) {
  for (int i = 0; i < SignalCount; ++i)
    if (CrashSignals[i] == signal) return i;
  return 0;
}

void OnCrashSignal(int signal, siginfo_t* info, void*) {
  RestoreAfterCrash();
  // Then on as if we had never been here: the previous handler (a sanitizer's report,
  // say) or the default action. A fault of the processor's own happens again when
  // this returns, now with the previous handler in place and its true cause; a
  // signal that was sent (abort, kill) has to be sent again.
  sigaction(signal, &PreviousCrash[CrashIndex(signal)], nullptr);
  if (info == nullptr || info->si_code <= 0) raise(signal);
}

void OnTerminate() {
  RestoreAfterCrash();
  if (PreviousTerminate != nullptr) PreviousTerminate();
  std::abort();
}

const char* StopSignalName(int signal) {
  switch (signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    default: return "a signal";
  }
}

void InstallHandlers() {
  if (StopPipe[0] < 0 && pipe2(StopPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    std::perror("blastover: cannot make the pipe for stop signals");
    StopPipe[0] = StopPipe[1] = -1;
  }
  struct sigaction stop {};
  stop.sa_handler = OnStopSignal;
  sigemptyset(&stop.sa_mask);
  // Restarted: the rest of the program (libraries, the audio thread) need not expect EINTR.
  stop.sa_flags = SA_RESTART;
  for (int i = 0; i < SignalCount; ++i) {
    if (StopPipe[1] < 0) break;
    sigaction(StopSignals[i], &stop, &PreviousStop[i]);
    // An ignored signal stays ignored (nohup ignores SIGHUP for the programs it starts).
    if (PreviousStop[i].sa_handler == SIG_IGN) sigaction(StopSignals[i], &PreviousStop[i], nullptr);
  }
  struct sigaction crash {};
  crash.sa_sigaction = OnCrashSignal;
  sigemptyset(&crash.sa_mask);
  crash.sa_flags = SA_SIGINFO;
  for (int i = 0; i < SignalCount; ++i) sigaction(CrashSignals[i], &crash, &PreviousCrash[i]);
  PreviousTerminate = std::set_terminate(OnTerminate);
}

void RemoveHandlers() {
  for (int i = 0; i < SignalCount && StopPipe[1] >= 0; ++i) sigaction(StopSignals[i], &PreviousStop[i], nullptr);
  for (int i = 0; i < SignalCount; ++i) sigaction(CrashSignals[i], &PreviousCrash[i], nullptr);
  std::set_terminate(PreviousTerminate);
  PreviousTerminate = nullptr;
}

}  // namespace

TX11Guard::TX11Guard(const std::string& displayName, std::function<void()> stopAction)
    : StopAction(std::move(stopAction)) {
  std::snprintf(CrashDisplay, sizeof CrashDisplay, "%s", displayName.c_str());
  if (Guards.empty()) InstallHandlers();
  Guards.push_back(this);
}

TX11Guard::~TX11Guard() {
  std::erase(Guards, this);
  if (Guards.empty()) RemoveHandlers();
}

int TX11Guard::StopDescriptor() { return StopPipe[0]; }

void TX11Guard::StopIfSignalled() {
  if (StopPipe[0] < 0 || Guards.empty()) return;
  unsigned char signal = 0;
  if (read(StopPipe[0], &signal, 1) != 1) return;
  try {
    Guards.back()->StopAction();
  } catch (...) {
    // Ending is all that is left to do.
  }
  std::fprintf(stderr, "blastover: stopped by %s\n", StopSignalName(signal));
  std::fflush(nullptr);
  // No destructors: the audio thread still runs, and nothing else needs saying to the server.
  std::_Exit(128 + signal);
}

void TX11Guard::NoteCursorsReplaced(bool replaced) { CursorsReplaced = replaced ? 1 : 0; }
