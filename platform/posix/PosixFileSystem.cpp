// Reading, saving and finding files with the POSIX calls.
#include "platform/posix/PosixFileSystem.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>

namespace {

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

// Makes Path hold what Fill writes: into a new file of our own beside it, flushed, then
// renamed over Path. Whatever lies under the new file's name (a left-over of a crash, or
// a link planted to make us write elsewhere) goes first, and a link is never followed.
bool ReplaceFile(const std::string& path, std::optional<mode_t> mode, std::string& error, const std::function<bool(int)>& fill) {
  const std::string temporary = path + ".new";
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

TFileContents TPosixFileSystem::ReadFile(const std::string& path, uint64_t limit) {
  TFileContents contents;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return contents;
    contents.Outcome = TReadOutcome::Failed;
    contents.Error = std::strerror(errno);
    return contents;
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
