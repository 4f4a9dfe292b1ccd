// The game's files: reading one whole, saving a new version without ever losing the old,
// and the folders they live in. Paths are UTF-8 text; a folder's path ends with a separator.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// What reading a whole file found.
enum class TReadOutcome {
  Read,      // Bytes holds the whole file
  Missing,   // nothing of that name, or a folder on the way is missing
  TooLarge,  // more than the limit: nothing was read, Size says how much there is
  Failed,    // there is something, but it cannot be read: Error says why
};

struct TFileContents {
  TReadOutcome Outcome = TReadOutcome::Missing;
  std::string Bytes;
  // The file's size in bytes, when Read or TooLarge.
  uint64_t Size = 0;
  // The system's reason, when Failed ("Permission denied").
  std::string Error;
};

// A lock taken with TFileSystem::LockFile, held until the object goes.
class TFileLock {
 public:
  virtual ~TFileLock() = default;
};

// Why a lock could not be had: the file at Path is being saved by another program that
// has held LockPath for longer than TimeoutMs ("3 seconds", "250 ms").
std::string LockHeldText(const std::string& path, const std::string& lockPath, int timeoutMs);

class TFileSystem {
 public:
  virtual ~TFileSystem() = default;

  // The whole file at Path when it holds at most Limit bytes. Only a plain file is read:
  // anything else there (a FIFO, a device, a socket) is Failed before it is opened for
  // reading, as a FIFO's reader would wait for a writer and a device may never end.
  virtual TFileContents ReadFile(const std::string& path, uint64_t limit) = 0;
  // Makes the file at Path hold exactly Bytes: a new file of this save's own is written
  // in the same folder (no other save, of this process or another, uses its name),
  // flushed to the disk and put in the old one's place in one step, keeping the old
  // file's permissions, so that a crash or a full disk leaves the old file or the new
  // one whole. False on failure, with the old file untouched, no new file left over,
  // and Error saying what failed ("cannot write PATH: REASON").
  virtual bool SaveFile(const std::string& path, const std::string& bytes, std::string& error) = 0;
  // Copies the file at Path to Path + ".bad", replacing an older copy; false when it could
  // not. The copy is a new file of the program's own, made exclusively and without
  // following a link at any of its names (O_CREAT|O_EXCL|O_NOFOLLOW on POSIX, CREATE_NEW
  // with FILE_FLAG_OPEN_REPARSE_POINT on Windows), then put in place in one step: a link
  // planted at Path + ".bad" is replaced, never written through.
  virtual bool KeepBadCopy(const std::string& path) = 0;
  // Takes the lock that the saves of the file at Path share, waiting at most TimeoutMs
  // for whoever holds it: one copy of the game at a time reads, changes and replaces the
  // file. The lock lies on a file of its own beside it (Path + ".lock", made when
  // missing and left there): flock on POSIX, LockFileEx on Windows. The system lets go
  // of it when its holder ends, however it ends. Null on failure, with Error saying
  // why, in words for the player.
  virtual std::unique_ptr<TFileLock> LockFile(const std::string& path, int timeoutMs, std::string& error) = 0;
  // True when the file at Path exists and is marked as not to be written: no write
  // permission for anyone (the read-only attribute on Windows), as a player makes a file
  // to protect it; the mark counts even for a user whom the system lets write anyway.
  virtual bool IsReadOnly(const std::string& path) = 0;
  // Makes Folder and whatever folders above it are missing; true when it is a folder now.
  virtual bool MakeFolder(const std::string& folder) = 0;
  // True when new files can be made in the existing Folder.
  virtual bool FolderAcceptsWrites(const std::string& folder) = 0;
  // The user's own folder for the program's files, for when the program's folder cannot
  // be written: $XDG_DATA_HOME/blastover/ or ~/.local/share/blastover/ on Linux (the
  // home from the password database when HOME is not set), on Windows
  // %LOCALAPPDATA%\Blastover\ (with its separator). It need not exist yet. Empty when
  // there is no such folder (a user without a home).
  virtual std::string DataFolder() = 0;
  // The folder of the program file.
  virtual std::string ProgramFolder() = 0;
  // The program file's name without its folder, as the system knows it ("blastover").
  virtual std::string ProgramName() = 0;
};

// The computer's own file system.
std::unique_ptr<TFileSystem> CreateSystemFileSystem();

// How this system names the player's data folder for the game, and whether the program
// is installed where no player writes, as a system's packages are.
struct TDataFolderKind {
  std::string Name;  // "$XDG_DATA_HOME/blastover"
  bool Installed = false;
};
TDataFolderKind SystemDataFolderKind();
