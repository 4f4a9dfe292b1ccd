// A file system in memory for the headless platform. It plays on demand the faults of
// real disks: a folder that cannot be written, a full disk, a file that cannot be read,
// and a crash between writing a new version of a file and putting it in place.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

// Thrown where a simulated crash stops the program: nothing after that point ran.
class ESimulatedCrash : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TSimulatedFileSystem : public TFileSystem {
 public:
  // The program's folder and the user's home exist, empty.
  TSimulatedFileSystem();

  TFileContents ReadFile(const std::string& path, uint64_t limit) override;
  bool SaveFile(const std::string& path, const std::string& bytes, std::string& error) override;
  bool KeepBadCopy(const std::string& path) override;
  // Held locks are in memory; one held by another program (HoldLockElsewhere) is never
  // let go of while this waits, so the wait ends in its timeout at once.
  std::unique_ptr<TFileLock> LockFile(const std::string& path, int timeoutMs, std::string& error) override;
  bool IsReadOnly(const std::string& path) override { return ReadOnlyFiles.count(Normal(path)) != 0; }
  bool MakeFolder(const std::string& folder) override;
  bool FolderAcceptsWrites(const std::string& folder) override;
  std::string DataFolder() override { return "/home/player/.local/share/blastover/"; }
  std::string ProgramFolder() override { return "/opt/blastover/"; }
  std::string ProgramName() override { return "blastover"; }

  // Test controls. Puts a file at Path as another program would, making its folders.
  void PutFile(const std::string& path, const std::string& bytes);
  // The file's bytes; none when there is no file at Path.
  std::optional<std::string> FileBytes(const std::string& path) const;
  // The paths of all files, in order.
  std::vector<std::string> FilePaths() const;
  bool IsFolder(const std::string& path) const { return Folders.count(Normal(path)) != 0; }
  // Nothing can be made, saved or replaced in Folder and the folders in it.
  void SetReadOnly(const std::string& folder) { ReadOnly.insert(Normal(folder)); }
  // From now on the disk takes this many more bytes; a write beyond fails as on a full disk.
  void SetFreeSpace(uint64_t bytes) { Capacity = Used() + bytes; }
  // The file at Path is marked read-only; as on a real disk, replacing it still works.
  void SetFileReadOnly(const std::string& path) { ReadOnlyFiles.insert(Normal(path)); }
  // Reading the file at Path fails as it does for a file the program may not read.
  void SetUnreadable(const std::string& path) { Unreadable.insert(Normal(path)); }
  // The next save writes its new file whole, then the program dies (ESimulatedCrash)
  // before that file takes the old one's place.
  void CrashBeforeNextReplace() { CrashPending = true; }
  // Another program holds the lock of the file at Path (or lets go of it).
  void HoldLockElsewhere(const std::string& path, bool held);
  // Runs each time a lock is taken, while it is held: another program's save that came
  // just before can be played here.
  void OnLockTaken(std::function<void(const std::string& path)> action) { LockTaken = std::move(action); }
  // The timeout of the last LockFile, and how many locks are held now.
  int LastLockTimeoutMs() const { return LastTimeout; }
  size_t LocksHeld() const { return Locked.size(); }

 private:
  // Separators as '/', none doubled and none at the end.
  static std::string Normal(const std::string& path);
  static std::string Parent(const std::string& normal);
  bool InReadOnly(const std::string& normal) const;
  uint64_t Used() const;
  // Writes a file of the program's in an existing folder; the system's reason when it cannot.
  std::optional<std::string> Write(const std::string& normal, const std::string& bytes);

  std::map<std::string, std::string> Files;
  std::set<std::string> Folders;
  std::set<std::string> ReadOnly;
  std::set<std::string> Unreadable;
  std::set<std::string> ReadOnlyFiles;
  std::optional<uint64_t> Capacity;
  bool CrashPending = false;
  unsigned Saves = 0;
  std::multiset<std::string> Locked;  // the locks held by this program
  std::set<std::string> LockedElsewhere;
  std::function<void(const std::string&)> LockTaken;
  int LastTimeout = -1;
  // Its disk's record of the lock, for the lock to let go of.
  friend class TSimulatedFileLock;
};
