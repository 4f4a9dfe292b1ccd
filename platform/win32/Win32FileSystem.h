// The file system of Windows, by UTF-8 paths through the system's wide functions, so that
// a user folder such as C:\Users\José works.
#pragma once

#include "platform/FileSystem.h"

// Saving writes PATH.new-PID-N, a name of that save's own, flushes it to the disk (FlushFileBuffers) and moves it over
// PATH in one step that is itself written through (MoveFileExW with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH): after a crash or a power cut
// there is the old file or the new one, whole. The data folder is
// %LOCALAPPDATA%\Blastover\ (SHGetKnownFolderPath).
class TWin32FileSystem : public TFileSystem {
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

// Whether Path names an existing file or folder.
bool PathExists(const std::string& path);
// Removes the file Path; false when it cannot.
bool DeleteFilePath(const std::string& path);
