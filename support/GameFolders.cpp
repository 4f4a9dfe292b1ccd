// The installed layout, the player's data folder and the take-over of an older copy's files.
#include "support/GameFolders.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "platform/FileSystem.h"
#include "support/Paths.h"

namespace fs = std::filesystem;

// Where the build installs things, relative to the program's folder; the build sets these.
#ifndef BLASTOVER_BIN_DIR
#define BLASTOVER_BIN_DIR "bin"
#endif
#ifndef BLASTOVER_DOC_FROM_BIN
#define BLASTOVER_DOC_FROM_BIN "../share/doc/blastover"
#endif
#ifndef BLASTOVER_PREFIX_FROM_BIN
#define BLASTOVER_PREFIX_FROM_BIN ".."
#endif

namespace {

// Older copies were installed as PREFIX/blastover/blastover and kept their files beside it.
constexpr const char* OlderCopyFolder = "blastover";

// Copies File into Folder under the same name, whole or not at all.
bool CopyWhole(const fs::path& file, const fs::path& folder) {
  const fs::path target = folder / file.filename();
  const fs::path partial = target.string() + ".new";
  std::error_code error;
  fs::copy_file(file, partial, fs::copy_options::overwrite_existing, error);
  if (!error) fs::rename(partial, target, error);
  if (!error) return true;
  std::fprintf(stderr, "blastover: cannot copy %s into %s: %s\n", file.string().c_str(), folder.string().c_str(),
               error.message().c_str());
  fs::remove(partial, error);
  return false;
}

// The game's files (HISCORE.XML, SETTINGS.XML) that an older copy left in its folder.
void TakeOverOlderFiles(const fs::path& olderFolder, const fs::path& dataFolder) {
  std::error_code error;
  std::vector<fs::path> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(olderFolder, error))
    if (entry.is_regular_file(error) && entry.path().extension() == ".XML") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  std::string taken;
  for (const fs::path& file : files)
    if (CopyWhole(file, dataFolder)) taken += (taken.empty() ? "" : " and ") + file.filename().string();
  if (!taken.empty())
    std::fprintf(stderr, "blastover: %s of the copy in %s now kept in %s\n", taken.c_str(),
                 olderFolder.string().c_str(), dataFolder.string().c_str());
}

}  // namespace

std::string UserDataFolder() {
  // Asked before any platform is set up too (for --help), so of the system itself.
  return CreateSystemFileSystem()->DataFolder();
}

bool RunsInstalled() {
  const std::string folder = ProgramFolder();
  const std::string binTail = std::string("/") + BLASTOVER_BIN_DIR + "/";
  return folder.size() >= binTail.size() && folder.ends_with(binTail);
}

std::string InstalledFilesFolder() {
  const std::string folder = UserDataFolder();
  std::error_code error;
  if (folder.empty() || fs::exists(folder, error)) return folder;
  fs::create_directories(folder, error);
  if (error) return folder;
  const fs::path older = fs::path(ProgramFolder()) / BLASTOVER_PREFIX_FROM_BIN / OlderCopyFolder;
  if (fs::is_directory(older, error)) TakeOverOlderFiles(older.lexically_normal(), folder);
  return folder;
}

std::string DocumentFolder() {
  if (!RunsInstalled()) return ProgramFolder();
  return (fs::path(ProgramFolder()) / BLASTOVER_DOC_FROM_BIN).lexically_normal().string() + "/";
}
