// The per-user lock of a desktop: flock on a file in a folder that only the user can write to.
#include "platform/posix/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

std::string Reason(const std::string& what) { return what + ": " + std::strerror(errno); }

// A folder fit for the locks: a real folder (not a link to one), the user's, closed to others.
bool IsPrivateFolder(const std::string& path, std::string& error) {
  struct stat facts {};
  if (lstat(path.c_str(), &facts) != 0) {
    error = Reason(path);
    return false;
  }
  if (!S_ISDIR(facts.st_mode) || facts.st_uid != getuid() || (facts.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    error = path + " is not a folder that only this user can write to";
    return false;
  }
  return true;
}

// Letters, digits, '.', '-' and '_' as they are; anything else (a '/', say) as '_'.
std::string SafeFileName(const std::string& text) {
  // A leading '_' keeps the name from being empty or hidden.
  std::string name = (text.empty() || text[0] == '.') ? "_" : "";
  for (const char c : text) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                       c == '-' || c == '_';
    name += plain ? c : '_';
  }
  return name;
}

}  // namespace

std::string TInstanceLock::Folder(std::string& error) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::string runtimeError;
  if (runtime != nullptr && runtime[0] == '/' && IsPrivateFolder(runtime, runtimeError)) return runtime;
  // The user's own folder under /tmp, made if it is not there yet; one planted by
  // someone else is refused by the check.
  const std::string own = "/tmp/blastover-" + std::to_string(getuid());
  if (mkdir(own.c_str(), 0700) != 0 && errno != EEXIST) {
    error = Reason(own);
    return {};
  }
  return IsPrivateFolder(own, error) ? own : std::string();
}

TInstanceLock::TOutcome TInstanceLock::Take(const std::string& desktop, std::unique_ptr<TInstanceLock>& lock,
                                            std::string& error) {
  lock.reset();
  const std::string folder = Folder(error);
  if (folder.empty()) return TOutcome::Unavailable;
  const std::string file = folder + "/blastover-" + SafeFileName(desktop) + ".lock";
  // Not through a link, and not inherited by the programs the game starts.
  const int descriptor = open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (descriptor < 0) {
    error = Reason(file);
    return TOutcome::Unavailable;
  }
  if (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
    const bool held = errno == EWOULDBLOCK;
    error = held ? std::string() : Reason(file);
    close(descriptor);
    return held ? TOutcome::HeldElsewhere : TOutcome::Unavailable;
  }
  // For whoever looks: which process holds it.
  const std::string pid = std::to_string(getpid()) + "\n";
  if (ftruncate(descriptor, 0) == 0) {
    [[maybe_unused]] const ssize_t written = write(descriptor, pid.data(), pid.size());
  }
  lock.reset(new TInstanceLock(descriptor, file));
  return TOutcome::Taken;
}

TInstanceLock::~TInstanceLock() { close(Descriptor); }
