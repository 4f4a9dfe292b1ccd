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
  Reap();
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

bool TProcessLauncher::OpenAddress(const std::string& address) {
  if (address.empty()) return false;
  // Long enough for the desktop's opener to say it has nothing to open the address with.
  constexpr int OpenerGraceMs = 2000;
  constexpr const char* Opener = "xdg-open";
  MissingOpenerName.clear();
  if (StartAndWatch({Opener, address}, OpenerGraceMs)) return true;
  if (NotStarted()) MissingOpenerName = Opener;
  return false;
}

bool TProcessLauncher::StartAndWatch(const std::vector<std::string>& words, int graceMs) {
  if (!Start(words, false)) return false;
  const pid_t child = Running.back();
  for (int waited = 0; waited < graceMs; waited += WaitStepMs) {
    int status = 0;
    if (waitpid(child, &status, WNOHANG) == child) {
      std::erase(Running, child);
      if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
      // What a desktop's opener answers when it finds nothing to open the address with.
      errno = WIFEXITED(status) && WEXITSTATUS(status) <= 3 ? ENOENT : EIO;
      return false;
    }
    pollfd stop{TX11Guard::StopDescriptor(), POLLIN, 0};
    poll(&stop, 1, WaitStepMs);
    TX11Guard::StopIfSignalled();
  }
  return true;  // still busy opening it: a browser on its way
}

void TProcessLauncher::Reap() {
  std::erase_if(Running, [](pid_t child) {
    int status = 0;
    const pid_t result = waitpid(child, &status, WNOHANG);
    return result == child || (result < 0 && errno == ECHILD);
  });
}
