// The file system of a POSIX system (Linux, and any back end that runs there).
#pragma once

#include "platform/FileSystem.h"

class TPosixFileSystem : public TFileSystem {
 public:
  TFileContents ReadFile(const std::string& path, uint64_t limit) override;
  bool SaveFile(const std::string& path, const std::string& bytes, std::string& error) override;
  bool KeepBadCopy(const std::string& path) override;
  std::unique_ptr<TFileLock> LockFile(const std::string& path, int timeoutMs, std::string& error) override;
  bool IsReadOnly(const std::string& path) override;
  bool MakeFolder(const std::string& folder) override;
  bool FolderAcceptsWrites(const std::string& folder) override;
  std::string DataFolder() override;
  std::string ProgramFolder() override;
  std::string ProgramName() override;
};

// True while the program waits in opening or reading a file (one on a network that has
// gone away, say). A stop signal that comes then cannot wait for the program's own time,
// which may never come: the signal's handler may end the program at once. Safe to call
// from a signal handler.
bool InsideFileRead();
