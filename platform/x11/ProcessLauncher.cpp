// Programs started with posix_spawnp: the words go to the program as they are, never to a shell.
#include "platform/x11/ProcessLauncher.h"

#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/x11/X11Guard.h"

extern char** environ;

namespace {

constexpr int WaitStepMs = 20;

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false, quoted = false;
  for (const char c : commandLine) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;  // "" is an empty word
    } else if (!quoted && (c == ' ' || c == '\t' || c == '\n' || c == '\r')) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

bool TProcessLauncher::Start(const std::vector<std::string>& words, bool wait) {
  ReapEnded();
  StartFailed = true;
  if (words.empty() || words[0].empty()) return false;
  std::vector<char*> arguments;
  for (const std::string& word : words) arguments.push_back(const_cast<char*>(word.c_str()));
  arguments.push_back(nullptr);
  pid_t child = 0;
  const int failure = posix_spawnp(&child, arguments[0], nullptr, nullptr, arguments.data(), environ);
  if (failure != 0) {
    // The caller says what failed, if anything: a web address is tried as a program first.
    errno = failure;
    return false;
  }
  StartFailed = false;
  if (!wait) {
    Running.push_back(child);
    return true;
  }
  // In short steps, so that a stop signal need not wait for a program that runs on.
  while (true) {
    int status = 0;
    const pid_t result = waitpid(child, &status, WNOHANG);
    if (result == child || (result < 0 && errno != EINTR)) break;
    pollfd stop{TX11Guard::StopDescriptor(), POLLIN, 0};
    poll(&stop, 1, WaitStepMs);
    TX11Guard::StopIfSignalled();
  }
  return true;
}

bool TProcessLauncher::OpenAddress(const std::string& address, TOpenFailureHandler onLaterFailure) {
  MissingOpenerName.clear();
  if (address.empty()) return false;
  // A second click while the first opener is still at work: one page is on its way.
  if (Watched) return true;
  constexpr const char* Opener = "xdg-open";
  if (!Start({Opener, address}, false)) {
    if (NotStarted()) MissingOpenerName = Opener;
    return false;
  }
  Watched = TWatchedOpener{Running.back(), std::chrono::steady_clock::now() + std::chrono::milliseconds(OpenerWatchMs),
                           std::move(onLaterFailure)};
  return true;
}

void TProcessLauncher::Reap() {
  CheckWatchedOpener();
  ReapEnded();
}

void TProcessLauncher::CheckWatchedOpener() {
  if (!Watched) return;
  const pid_t child = Watched->Child;
  int status = 0;
  const pid_t result = waitpid(child, &status, WNOHANG);
  if (result == 0) {
    // Still busy opening it: a browser on its way. ReapEnded collects it when it ends.
    if (std::chrono::steady_clock::now() >= Watched->Until) Watched.reset();
    return;
  }
  std::erase(Running, child);
  // Taken out first: the handler may show a message whose loop comes back here.
  const TOpenFailureHandler handler = std::move(Watched->OnFailure);
  Watched.reset();
  if (result != child || (WIFEXITED(status) && WEXITSTATUS(status) == 0) || !handler) return;
  // What a desktop's opener answers when it finds nothing to open the address with.
  handler({WIFEXITED(status) && WEXITSTATUS(status) <= 3 ? ENOENT : EIO, {}});
}

void TProcessLauncher::ReapEnded() {
  std::erase_if(Running, [this](pid_t child) {
    if (Watched && Watched->Child == child) return false;
    int status = 0;
    const pid_t result = waitpid(child, &status, WNOHANG);
    return result == child || (result < 0 && errno == ECHILD);
  });
}
