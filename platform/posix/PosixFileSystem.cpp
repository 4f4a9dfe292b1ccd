// Reading, saving and finding files with the POSIX calls.
#include "platform/posix/PosixFileSystem.h"

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>
#include <thread>

namespace {

// How often a save that waits for another one's lock tries again.
constexpr auto LockRetry = std::chrono::milliseconds(5);

volatile sig_atomic_t OpeningOrReading = 0;

// Marks a blocking open or read, for the stop signals (see InsideFileRead).
class TFileReadMark {
 public:
  TFileReadMark() { OpeningOrReading = 1; }
  ~TFileReadMark() { OpeningOrReading = 0; }
  TFileReadMark(const TFileReadMark&) = delete;
  TFileReadMark& operator=(const TFileReadMark&) = delete;
};

class TPosixFileLock : public TFileLock {
 public:
  explicit TPosixFileLock(int descriptor) : Descriptor(descriptor) {}
  ~TPosixFileLock() override { close(Descriptor); }
  TPosixFileLock(const TPosixFileLock&) = delete;
  TPosixFileLock& operator=(const TPosixFileLock&) = delete;

 private:
  int Descriptor;
};

std::string SystemError(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + std::strerror(errno);
}

// The program file's path, empty when the system does not say.
std::string ProgramPath() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
}

// The user's home: HOME, or when that is not set the password database's entry; empty
// when neither knows one. Never the current folder, which may be anywhere.
std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return home;
  const passwd* user = getpwuid(getuid());
  if (user != nullptr && user->pw_dir != nullptr && user->pw_dir[0] == '/') return user->pw_dir;
  return {};
}

// Writes all of Bytes to Fd, going on after an interruption.
bool WriteAll(int fd, std::string_view bytes) {
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    written += static_cast<size_t>(n);
  }
  return true;
}

// The folder's entry too, so that a renamed file survives a power cut.
void SyncFolderOf(const std::string& path) {
  const int folder = open(std::filesystem::path(path).parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return;
  fsync(folder);
  close(folder);
}

// Fills Contents from the open file Fd, unless it is a folder or larger than Limit.
void ReadOpenFile(int fd, uint64_t limit, TFileContents& contents) {
  const auto fail = [&contents](int code) {
    contents.Outcome = TReadOutcome::Failed;
    contents.Error = std::strerror(code);
    contents.Bytes.clear();
  };
  struct stat info {};
  if (fstat(fd, &info) != 0) return fail(errno);
  if (S_ISDIR(info.st_mode)) return fail(EISDIR);
  contents.Size = static_cast<uint64_t>(info.st_size);
  if (contents.Size > limit) {
    contents.Outcome = TReadOutcome::TooLarge;
    return;
  }
  // Read to the end rather than to the size seen: the file may grow meanwhile.
  char buffer[16384];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail(errno);
    if (n == 0) break;
    contents.Bytes.append(buffer, static_cast<size_t>(n));
    if (contents.Bytes.size() > limit) {
      contents.Outcome = TReadOutcome::TooLarge;
      contents.Size = contents.Bytes.size();
      contents.Bytes.clear();
      return;
    }
  }
  contents.Outcome = TReadOutcome::Read;
  contents.Size = contents.Bytes.size();
}

// Writes the rest of the open file Source to Fd.
bool CopyAll(int source, int fd) {
  char buffer[16384];
  for (;;) {
    const ssize_t n = read(source, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (!WriteAll(fd, std::string_view(buffer, static_cast<size_t>(n)))) return false;
  }
}

// Removes the new files that saves of Path left when their program died before putting
// them in place ("PATH.new-PID-N" of a process that is gone). Another program's save
// under way is left alone.
void RemoveLeftOvers(const std::string& path) {
  const std::filesystem::path target(path);
  const std::string prefix = target.filename().string() + ".new-";
  std::error_code failed;
  std::filesystem::directory_iterator entries(target.parent_path().empty() ? "." : target.parent_path(), failed);
  if (failed) return;
  for (const auto& entry : entries) {
    const std::string name = entry.path().filename().string();
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
    if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) unlink(entry.path().c_str());
  }
}

// Makes Path hold what Fill writes: into a new file of our own beside it, flushed, then
// renamed over Path. Whatever lies under the new file's name (a left-over of a crash, or
// a link planted to make us write elsewhere) goes first, and a link is never followed.
bool ReplaceFile(const std::string& path, std::optional<mode_t> mode, std::string& error, const std::function<bool(int)>& fill) {
  // A name of this save's own: another copy of the game saving at the same moment never
  // removes or renames this one's file, nor this one its.
  static std::atomic<unsigned> saves{0};
  const std::string temporary = path + ".new-" + std::to_string(getpid()) + "-" + std::to_string(saves++);
  RemoveLeftOvers(path);
  unlink(temporary.c_str());
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = SystemError("cannot write", temporary);
    return false;
  }
  if (mode) fchmod(fd, *mode);
  if (!fill(fd)) {
    error = SystemError("cannot write", temporary);
    close(fd);
    unlink(temporary.c_str());
    return false;
  }
  if (fsync(fd) != 0 || close(fd) != 0) {
    error = SystemError("cannot write", temporary);
    unlink(temporary.c_str());
    return false;
  }
  // rename replaces a link at Path itself, never the file it points to.
  if (rename(temporary.c_str(), path.c_str()) != 0) {
    error = SystemError("cannot replace", path);
    unlink(temporary.c_str());
    return false;
  }
  SyncFolderOf(path);
  return true;
}

}  // namespace

std::unique_ptr<TFileSystem> CreateSystemFileSystem() { return std::make_unique<TPosixFileSystem>(); }

TDataFolderKind SystemDataFolderKind() { return {"$XDG_DATA_HOME/blastover", true}; }

bool InsideFileRead() { return OpeningOrReading != 0; }

TFileContents TPosixFileSystem::ReadFile(const std::string& path, uint64_t limit) {
  TFileContents contents;
  const auto fail = [&contents](const char* reason) {
    contents.Outcome = TReadOutcome::Failed;
    contents.Error = reason;
    return contents;
  };
  // Looked at before it is opened: opening a FIFO to read waits for a writer, and a
  // device's opening may do something of its own. The opening itself does not wait
  // either (something else may have taken the name meanwhile), and what was opened is
  // looked at again.
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return contents;
    return fail(std::strerror(errno));
  }
  if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) return fail("not a regular file");
  const TFileReadMark mark;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return contents;
    return fail(std::strerror(errno));
  }
  if (fstat(fd, &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
    close(fd);
    return fail("not a regular file");
  }
  ReadOpenFile(fd, limit, contents);
  close(fd);
  return contents;
}

bool TPosixFileSystem::SaveFile(const std::string& path, const std::string& bytes, std::string& error) {
  struct stat old {};
  std::optional<mode_t> mode;
  if (stat(path.c_str(), &old) == 0) mode = old.st_mode & 07777;  // renaming must not change who may read it
  return ReplaceFile(path, mode, error, [&bytes](int fd) { return WriteAll(fd, bytes); });
}

bool TPosixFileSystem::KeepBadCopy(const std::string& path) {
  // Only a plain file is copied: a FIFO would block and a device such as /dev/zero never end.
  const int source = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (source < 0) return false;
  struct stat info {};
  std::string error;
  const bool copied = fstat(source, &info) == 0 && S_ISREG(info.st_mode) &&
                      ReplaceFile(path + ".bad", info.st_mode & 0666u, error, [source](int fd) { return CopyAll(source, fd); });
  close(source);
  return copied;
}

std::unique_ptr<TFileLock> TPosixFileSystem::LockFile(const std::string& path, int timeoutMs, std::string& error) {
  const std::string lockPath = path + ".lock";
  // Never through a link, and without waiting on whatever else may lie under the name.
  // Only read: another user sharing the folder, who cannot write this user's file,
  // takes the lock too.
  const int fd = open(lockPath.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
  if (fd < 0) {
    error = SystemError("cannot lock", lockPath);
    return nullptr;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    error = "cannot lock " + lockPath + ": not a regular file";
    return nullptr;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) {
      error = SystemError("cannot lock", lockPath);
      close(fd);
      return nullptr;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      error = LockHeldText(path, lockPath, timeoutMs);
      close(fd);
      return nullptr;
    }
    std::this_thread::sleep_for(LockRetry);
  }
  return std::make_unique<TPosixFileLock>(fd);
}

bool TPosixFileSystem::IsReadOnly(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
  // Only the file's own marks count: a file of another user's that the folder lets us
  // replace (left by a run with sudo, say) is replaced as ever.
  return (info.st_mode & 0222) == 0;
}

bool TPosixFileSystem::MakeFolder(const std::string& folder) {
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  return std::filesystem::is_directory(folder, ignored);
}

bool TPosixFileSystem::FolderAcceptsWrites(const std::string& folder) { return access(folder.c_str(), W_OK) == 0; }

std::string TPosixFileSystem::DataFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  // A relative XDG_DATA_HOME is ignored, as desktops ignore it: it would depend on where the game was started.
  if (data != nullptr && data[0] == '/') return std::string(data) + "/blastover/";
  const std::string home = HomeFolder();
  return home.empty() ? std::string() : home + "/.local/share/blastover/";
}

std::string TPosixFileSystem::ProgramFolder() {
  const std::string file = ProgramPath();
  const size_t slash = file.rfind('/');
  return slash == std::string::npos ? "./" : file.substr(0, slash + 1);
}

std::string TPosixFileSystem::ProgramName() {
  const std::string file = ProgramPath();
  return file.empty() ? "blastover" : file.substr(file.rfind('/') + 1);
}
