// The files and folders of the simulated disk, and the faults it plays.
#include "platform/headless/SimulatedFileSystem.h"

#include <algorithm>

namespace {

constexpr const char* NoSuchFile = "No such file or directory";
constexpr const char* ReadOnlyDisk = "Read-only file system";
constexpr const char* DiskFull = "No space left on device";

}  // namespace

class TSimulatedFileLock : public TFileLock {
 public:
  TSimulatedFileLock(TSimulatedFileSystem& disk, std::string path) : Disk(disk), Path(std::move(path)) {}
  ~TSimulatedFileLock() override { Disk.Locked.erase(Disk.Locked.find(Path)); }
  TSimulatedFileLock(const TSimulatedFileLock&) = delete;
  TSimulatedFileLock& operator=(const TSimulatedFileLock&) = delete;

 private:
  TSimulatedFileSystem& Disk;
  std::string Path;
};

TSimulatedFileSystem::TSimulatedFileSystem() {
  MakeFolder(ProgramFolder());
  MakeFolder("/home/player/");
}

std::string TSimulatedFileSystem::Normal(const std::string& path) {
  std::string normal;
  for (char c : path) {
    if (c == '\\') c = '/';
    if (c == '/' && !normal.empty() && normal.back() == '/') continue;
    normal += c;
  }
  while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
  return normal;
}

std::string TSimulatedFileSystem::Parent(const std::string& normal) {
  const size_t slash = normal.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : normal.substr(0, slash);
}

bool TSimulatedFileSystem::InReadOnly(const std::string& normal) const {
  for (std::string folder = normal;; folder = Parent(folder)) {
    if (ReadOnly.count(folder) != 0) return true;
    if (folder == "/" || folder == ".") return false;
  }
}

uint64_t TSimulatedFileSystem::Used() const {
  uint64_t used = 0;
  for (const auto& [path, bytes] : Files) used += bytes.size();
  return used;
}

std::optional<std::string> TSimulatedFileSystem::Write(const std::string& normal, const std::string& bytes) {
  const std::string folder = Parent(normal);
  if (folder != "." && Folders.count(folder) == 0) return NoSuchFile;
  if (InReadOnly(folder)) return ReadOnlyDisk;
  if (Folders.count(normal) != 0) return "Is a directory";
  const auto old = Files.find(normal);
  const uint64_t freed = old == Files.end() ? 0 : old->second.size();
  if (Capacity && Used() - freed + bytes.size() > *Capacity) return DiskFull;
  Files[normal] = bytes;
  return std::nullopt;
}

TFileContents TSimulatedFileSystem::ReadFile(const std::string& path, uint64_t limit) {
  const std::string normal = Normal(path);
  TFileContents contents;
  if (Folders.count(normal) != 0 || Unreadable.count(normal) != 0) {
    contents.Outcome = TReadOutcome::Failed;
    contents.Error = Folders.count(normal) != 0 ? "Is a directory" : "Permission denied";
    return contents;
  }
  const auto file = Files.find(normal);
  if (file == Files.end()) return contents;
  contents.Size = file->second.size();
  contents.Outcome = contents.Size > limit ? TReadOutcome::TooLarge : TReadOutcome::Read;
  if (contents.Outcome == TReadOutcome::Read) contents.Bytes = file->second;
  return contents;
}

bool TSimulatedFileSystem::SaveFile(const std::string& path, const std::string& bytes, std::string& error) {
  const std::string normal = Normal(path);
  // Each save writes a file of its own. This program is the only one on this disk: what
  // other saves left there is the left-over of a crash.
  const std::string temporary = normal + ".new-" + std::to_string(++Saves);
  std::erase_if(Files, [&normal](const auto& file) { return file.first.rfind(normal + ".new-", 0) == 0; });

  if (const auto failure = Write(temporary, bytes)) {
    error = "cannot write " + temporary + ": " + *failure;
    return false;
  }
  if (CrashPending) {
    CrashPending = false;
    throw ESimulatedCrash("the program crashed before " + temporary + " replaced " + normal);
  }
  if (Folders.count(normal) != 0) {
    Files.erase(temporary);
    error = "cannot replace " + path + ": Is a directory";
    return false;
  }
  Files[normal] = std::move(Files[temporary]);
  Files.erase(temporary);
  return true;
}

bool TSimulatedFileSystem::KeepBadCopy(const std::string& path) {
  const std::string normal = Normal(path);
  const auto file = Files.find(normal);
  if (file == Files.end() || Unreadable.count(normal) != 0) return false;
  const std::string bytes = file->second;
  return !Write(normal + ".bad", bytes).has_value();
}

std::unique_ptr<TFileLock> TSimulatedFileSystem::LockFile(const std::string& path, int timeoutMs, std::string& error) {
  const std::string normal = Normal(path);
  LastTimeout = timeoutMs;
  const std::string lockPath = normal + ".lock";
  if (Files.count(lockPath) == 0) {
    if (const auto failure = Write(lockPath, "")) {
      error = "cannot lock " + path + ".lock: " + *failure;
      return nullptr;
    }
  }
  // A second lock of this program's own waits as one of another program's does.
  if (LockedElsewhere.count(normal) != 0 || Locked.count(normal) != 0) {
    error = path + " is being saved by another program, which has held " + path + ".lock for more than " +
            std::to_string(timeoutMs) + " ms";
    return nullptr;
  }
  Locked.insert(normal);
  auto lock = std::make_unique<TSimulatedFileLock>(*this, normal);
  if (LockTaken) LockTaken(normal);
  return lock;
}

void TSimulatedFileSystem::HoldLockElsewhere(const std::string& path, bool held) {
  if (held) LockedElsewhere.insert(Normal(path));
  else LockedElsewhere.erase(Normal(path));
}

bool TSimulatedFileSystem::MakeFolder(const std::string& folder) {
  const std::string normal = Normal(folder);
  if (normal.empty() || Folders.count(normal) != 0) return !normal.empty();
  const std::string parent = Parent(normal);
  if (parent != normal && parent != "." && !MakeFolder(parent)) return false;
  if (Files.count(normal) != 0 || InReadOnly(parent)) return false;
  Folders.insert(normal);
  return true;
}

bool TSimulatedFileSystem::FolderAcceptsWrites(const std::string& folder) {
  const std::string normal = Normal(folder);
  return Folders.count(normal) != 0 && !InReadOnly(normal);
}

void TSimulatedFileSystem::PutFile(const std::string& path, const std::string& bytes) {
  const std::string normal = Normal(path);
  // Another program may write where ours cannot.
  std::set<std::string> readOnly;
  readOnly.swap(ReadOnly);
  MakeFolder(Parent(normal));
  ReadOnly.swap(readOnly);
  Files[normal] = bytes;
}

std::optional<std::string> TSimulatedFileSystem::FileBytes(const std::string& path) const {
  const auto file = Files.find(Normal(path));
  if (file == Files.end()) return std::nullopt;
  return file->second;
}

std::vector<std::string> TSimulatedFileSystem::FilePaths() const {
  std::vector<std::string> paths;
  for (const auto& [path, bytes] : Files) paths.push_back(path);
  return paths;
}
