// The file system of a POSIX system (Linux, and any back end that runs there).
#pragma once

#include "platform/FileSystem.h"

class TPosixFileSystem : public TFileSystem {
 public:
  TFileContents ReadFile(const std::string& path, uint64_t limit) override;
  bool SaveFile(const std::string& path, const std::string& bytes, std::string& error) override;
  bool KeepBadCopy(const std::string& path) override;
  bool IsReadOnly(const std::string& path) override;
  bool MakeFolder(const std::string& folder) override;
  bool FolderAcceptsWrites(const std::string& folder) override;
  std::string DataFolder() override;
  std::string ProgramFolder() override;
  std::string ProgramName() override;
};
