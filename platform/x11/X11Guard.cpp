// Stop signals through a self-pipe; crashes and uncaught exceptions through a helper on a fresh connection.
#include "platform/x11/X11Guard.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/PosixFileSystem.h"
#include "platform/x11/X11Cursors.h"

namespace {

// Every signal whose default action ends the program, in two kinds. Stop signals come
// from outside (a terminal, kill, a limit reached): they wait for the program's own
// time. Crash signals report a fault of the program itself: nothing can wait then.
constexpr int FixedStopSignals[] = {SIGINT,  SIGTERM, SIGHUP,  SIGQUIT,   SIGUSR1, SIGUSR2, SIGALRM,  SIGPIPE,
                                    SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGSTKFLT};
constexpr int CrashSignals[] = {SIGABRT, SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGTRAP, SIGSYS};
constexpr int CrashCount = static_cast<int>(std::size(CrashSignals));
// How long a dying program waits for its helper. The helper may hang on a lock the
// crash left taken (inside malloc, say); a hang must not replace the crash.
constexpr int HelperWaitMs = 1000;
constexpr int HelperPollMs = 10;
// Room for the crash handler and its helper (which loads the cursor theme) when the
// fault is a stack overflow: the overflowed stack has none left.
constexpr size_t CrashStackBytes = 1 << 20;

std::vector<TX11Guard*> Guards;
int StopPipe[2] = {-1, -1};
// The stop signals taken over, with what was there before: signals that were ignored
// or handled by someone else stay as they were (nohup ignores SIGHUP for the programs
// it starts; a library may time itself with SIGALRM).
std::vector<std::pair<int, struct sigaction>> TakenStops;
struct sigaction PreviousCrash[CrashCount];
void* CrashStack = nullptr;
stack_t PreviousCrashStack{};
std::terminate_handler PreviousTerminate = nullptr;
// Read by handlers that may run on any thread, the audio thread's included.
std::atomic<bool> CursorsReplaced{false};
std::atomic<bool> CrashHandled{false};
// Set with the pipe's byte, so that the event loop looks into the pipe only when a stop
// signal came, not with a system call on every pass.
std::atomic<bool> StopWaiting{false};
static_assert(std::atomic<bool>::is_always_lock_free, "signal handlers need flags without locks");

// The helper a crash starts is this program again, with the argument below: a process
// of its own, on a heap of its own. Everything it is given is copied while all is well,
// so that the crash handler reads nothing from the heap.
constexpr const char* RestoreArgument = "--give-cursors-back-after-crash";
char CrashDisplay[256] = {};
// The program as the system names it for the process, and as it was found at start-up
// for a system without /proc by then.
constexpr const char* OwnProgram = "/proc/self/exe";
char RestoreProgram[PATH_MAX] = {};
char RestoreArgumentCopy[64] = {};
char* RestoreArguments[] = {RestoreProgram, RestoreArgumentCopy, CrashDisplay, nullptr};
// False once a test has named another program that carries the helper.
std::atomic<bool> UseOwnProgram{true};

std::vector<int> StopSignals() {
  std::vector<int> signals(std::begin(FixedStopSignals), std::end(FixedStopSignals));
  // The real-time signals end a program by default too.
  for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) signals.push_back(signal);
  return signals;
}

void RestoreAfterCrash();

// The program waits in a file's opening or reading, which may never end: the stop
// cannot wait for the program's own time, and is done here as a crash's is.
void StopInsideFileRead(int signal) {
  RestoreAfterCrash();
  static constexpr char Said[] = "blastover: stopped while waiting for a file to be read\n";
  [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, Said, sizeof Said - 1);
  _exit(128 + signal);
}

void OnStopSignal(int signal) {
  if (InsideFileRead()) StopInsideFileRead(signal);
  const int saved = errno;
  const unsigned char number = static_cast<unsigned char>(signal);
  // A full pipe means a stop is already waiting; the byte is not needed then.
  [[maybe_unused]] const ssize_t written = write(StopPipe[1], &number, 1);
  StopWaiting = true;
  errno = saved;
}

int QuitHelper(Display*) { _exit(1); }
int IgnoreError(Display*, XErrorEvent*) { return 0; }

// Only what async-signal-safe calls can do until the helper runs: the crash may have
// happened inside the allocator with its lock taken, and a fork() of a threaded program
// takes every allocator lock first, so it would wait for ever. _Fork takes none, and
// the helper is a fresh program that never touches the broken heap.
[[noreturn]] void RunRestoreHelper() {
  // The crash's signal is blocked inside its handler, and a new program keeps the mask.
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  if (UseOwnProgram) execve(OwnProgram, RestoreArguments, environ);
  execve(RestoreProgram, RestoreArguments, environ);
  _exit(127);
}

// Gives the standard cursors back from a helper process on its own connection: the
// dying program's connection may be half-way through a request, and its heap broken.
void RestoreAfterCrash() {
  if (!CursorsReplaced || CrashHandled.exchange(true)) return;
  const pid_t helper = _Fork();
  if (helper == 0) RunRestoreHelper();
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
  for (int i = 0; i < CrashCount; ++i)
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

std::string SignalName(int signal) {
  if (signal >= SIGRTMIN && signal <= SIGRTMAX) return "SIGRTMIN+" + std::to_string(signal - SIGRTMIN);
  const char* name = sigabbrev_np(signal);
  return name != nullptr ? std::string("SIG") + name : "signal " + std::to_string(signal);
}

// The crash handlers run on a stack of their own, so that a stack overflow can still
// give the cursors back. Only the thread that makes the first guard has it.
void InstallCrashStack() {
  void* memory = mmap(nullptr, CrashStackBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) return;
  stack_t stack{};
  stack.ss_sp = memory;
  stack.ss_size = CrashStackBytes;
  if (sigaltstack(&stack, &PreviousCrashStack) != 0) {
    munmap(memory, CrashStackBytes);
    return;
  }
  CrashStack = memory;
}

void RemoveCrashStack() {
  if (CrashStack == nullptr) return;
  stack_t current{};
  sigaltstack(nullptr, &current);
  // Left alone if someone else has put a stack of their own in place meanwhile.
  if (current.ss_sp != CrashStack) return;
  if ((PreviousCrashStack.ss_flags & SS_DISABLE) != 0) PreviousCrashStack = {nullptr, SS_DISABLE, 0};
  sigaltstack(&PreviousCrashStack, nullptr);
  munmap(CrashStack, CrashStackBytes);
  CrashStack = nullptr;
}

void InstallStopHandlers() {
  if (StopPipe[0] < 0 && pipe2(StopPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    std::perror("blastover: cannot make the pipe for stop signals");
    StopPipe[0] = StopPipe[1] = -1;
    return;
  }
  struct sigaction stop {};
  stop.sa_handler = OnStopSignal;
  sigemptyset(&stop.sa_mask);
  // Restarted: the rest of the program (libraries, the audio thread) need not expect EINTR.
  stop.sa_flags = SA_RESTART | SA_ONSTACK;
  for (const int signal : StopSignals()) {
    struct sigaction previous {};
    if (sigaction(signal, nullptr, &previous) != 0) continue;
    const bool byDefault = (previous.sa_flags & SA_SIGINFO) == 0 && previous.sa_handler == SIG_DFL;
    if (!byDefault || sigaction(signal, &stop, nullptr) != 0) continue;
    TakenStops.emplace_back(signal, previous);
  }
}

void InstallHandlers() {
  InstallStopHandlers();
  InstallCrashStack();
  struct sigaction crash {};
  crash.sa_sigaction = OnCrashSignal;
  sigemptyset(&crash.sa_mask);
  crash.sa_flags = SA_SIGINFO | SA_ONSTACK;
  for (int i = 0; i < CrashCount; ++i) sigaction(CrashSignals[i], &crash, &PreviousCrash[i]);
  PreviousTerminate = std::set_terminate(OnTerminate);
}

void RemoveHandlers() {
  for (const auto& [signal, previous] : TakenStops) sigaction(signal, &previous, nullptr);
  TakenStops.clear();
  for (int i = 0; i < CrashCount; ++i) sigaction(CrashSignals[i], &PreviousCrash[i], nullptr);
  RemoveCrashStack();
  std::set_terminate(PreviousTerminate);
  PreviousTerminate = nullptr;
}

}  // namespace

TX11Guard::TX11Guard(const std::string& displayName, std::function<void()> stopAction)
    : StopAction(std::move(stopAction)) {
  std::snprintf(CrashDisplay, sizeof CrashDisplay, "%s", displayName.c_str());
  std::snprintf(RestoreArgumentCopy, sizeof RestoreArgumentCopy, "%s", RestoreArgument);
  if (RestoreProgram[0] == '\0') {
    const ssize_t length = readlink(OwnProgram, RestoreProgram, sizeof RestoreProgram - 1);
    RestoreProgram[length > 0 ? length : 0] = '\0';
  }
  if (Guards.empty()) InstallHandlers();
  Guards.push_back(this);
}

TX11Guard::~TX11Guard() {
  std::erase(Guards, this);
  if (Guards.empty()) RemoveHandlers();
}

int TX11Guard::StopDescriptor() { return StopPipe[0]; }

void TX11Guard::StopIfSignalled() {
  if (StopPipe[0] < 0 || Guards.empty() || !StopWaiting) return;
  unsigned char signal = 0;
  if (read(StopPipe[0], &signal, 1) != 1) return;
  try {
    Guards.back()->StopAction();
  } catch (...) {
    // Ending is all that is left to do.
  }
  std::fprintf(stderr, "blastover: stopped by %s\n", SignalName(signal).c_str());
  std::fflush(nullptr);
  // No destructors: the audio thread still runs, and nothing else needs saying to the server.
  std::_Exit(128 + signal);
}

bool TX11Guard::StopPending() { return StopWaiting; }

void TX11Guard::NoteCursorsReplaced(bool replaced) { CursorsReplaced = replaced; }

void TX11Guard::UseRestoreProgram(const std::string& program) {
  std::snprintf(RestoreProgram, sizeof RestoreProgram, "%s", program.c_str());
  UseOwnProgram = false;
}

std::optional<int> TX11Guard::RunRestoreMode(int argc, char** argv) {
  if (argc != 3 || std::strcmp(argv[1], RestoreArgument) != 0) return std::nullopt;
  XSetIOErrorHandler(QuitHelper);
  XSetErrorHandler(IgnoreError);
  Display* dpy = XOpenDisplay(argv[2]);
  if (dpy == nullptr) return 1;
  RestoreStandardCursors(dpy);
  XCloseDisplay(dpy);
  return 0;
}
