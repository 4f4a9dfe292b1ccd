// Reading, saving and finding files with the system's wide functions.
#include "platform/win32/Win32FileSystem.h"

#include "platform/win32/Win32Text.h"

#include <shlobj.h>

#include <algorithm>
#include <cwchar>
#include <memory>

namespace {

constexpr const wchar_t* NewSuffix = L".new-";
constexpr const wchar_t* LockSuffix = L".lock";
// How often a save that waits for another one's lock tries again.
constexpr DWORD LockRetryMs = 5;
constexpr const wchar_t* BadSuffix = L".bad";
constexpr const wchar_t* DataFolderName = L"Blastover";
constexpr DWORD LargestChunk = 1u << 30;
constexpr uint64_t LargestBadCopy = uint64_t{64} << 20;

struct THandleClose {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using THandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, THandleClose>;

THandle OwnHandle(HANDLE handle) { return THandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle); }

std::string Failure(const std::string& what, const std::wstring& path) {
  return what + " " + Narrow(path) + ": " + SystemErrorText(GetLastError());
}

bool WriteAll(HANDLE file, const std::string& bytes) {
  size_t written = 0;
  while (written < bytes.size()) {
    DWORD done = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - written, LargestChunk));
    if (!WriteFile(file, bytes.data() + written, chunk, &done, nullptr) || done == 0) return false;
    written += done;
  }
  return true;
}

// Fills Contents from the open file, unless it is larger than Limit.
void ReadOpenFile(HANDLE file, uint64_t limit, TFileContents& contents) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) {
    contents.Outcome = TReadOutcome::Failed;
    contents.Error = SystemErrorText(GetLastError());
    return;
  }
  contents.Size = static_cast<uint64_t>(size.QuadPart);
  if (contents.Size > limit) {
    contents.Outcome = TReadOutcome::TooLarge;
    return;
  }
  // Read to the end rather than to the size seen: the file may change meanwhile.
  char buffer[16384];
  for (DWORD read = 0; ReadFile(file, buffer, sizeof buffer, &read, nullptr); ) {
    if (read == 0) {
      contents.Outcome = TReadOutcome::Read;
      contents.Size = contents.Bytes.size();
      return;
    }
    contents.Bytes.append(buffer, read);
    if (contents.Bytes.size() > limit) {
      contents.Outcome = TReadOutcome::TooLarge;
      contents.Size = contents.Bytes.size();
      contents.Bytes.clear();
      return;
    }
  }
  contents.Outcome = TReadOutcome::Failed;
  contents.Error = SystemErrorText(GetLastError());
  contents.Bytes.clear();
}

class TWin32FileLock : public TFileLock {
 public:
  explicit TWin32FileLock(THandle file) : File(std::move(file)) {}
  // Closing the handle lets go of the lock.
  ~TWin32FileLock() override = default;

 private:
  THandle File;
};

// True while the process of that number runs.
bool ProcessRuns(DWORD pid) {
  const THandle process = OwnHandle(OpenProcess(SYNCHRONIZE, FALSE, pid));
  // Not allowed to look is taken as running: only what is surely gone is removed.
  if (!process) return GetLastError() != ERROR_INVALID_PARAMETER;
  return WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

// Removes the new files that saves of Target left when their program died before
// moving them into place ("PATH.new-PID-N" of a process that is gone).
void RemoveLeftOvers(const std::wstring& target) {
  const std::wstring pattern = target + NewSuffix + L"*";
  const size_t slash = target.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? std::wstring() : target.substr(0, slash + 1);
  const size_t prefix = target.size() - folder.size() + wcslen(NewSuffix);
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name.size() <= prefix) continue;
    const unsigned long pid = wcstoul(name.c_str() + prefix, nullptr, 10);
    if (pid != 0 && !ProcessRuns(static_cast<DWORD>(pid))) DeleteFileW((folder + name).c_str());
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

std::wstring WithSeparator(std::wstring folder) {
  if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
  return folder;
}

// Makes Folder and every missing parent; true when it is a folder afterwards.
bool MakeFolders(std::wstring folder) {
  while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  if (folder.empty()) return false;
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const size_t slash = folder.find_last_of(L"\\/");
  // Up to the drive ("C:") or the share, which exist or never will.
  if (slash != std::wstring::npos && slash > 0 && folder[slash - 1] != L':') MakeFolders(folder.substr(0, slash));
  return CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

std::wstring ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) return path.substr(0, length);
    path.resize(path.size() * 2);  // a long path: ask again with room for it
  }
}

}  // namespace

std::unique_ptr<TFileSystem> CreateSystemFileSystem() { return std::make_unique<TWin32FileSystem>(); }

// The game is unpacked where the player likes, never installed.
TDataFolderKind SystemDataFolderKind() { return {"%LOCALAPPDATA%\\Blastover", false}; }

TFileContents TWin32FileSystem::ReadFile(const std::string& path, uint64_t limit) {
  TFileContents contents;
  const THandle file = OwnHandle(CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return contents;
    contents.Outcome = TReadOutcome::Failed;
    contents.Error = SystemErrorText(code);
    return contents;
  }
  ReadOpenFile(file.get(), limit, contents);
  return contents;
}

bool TWin32FileSystem::SaveFile(const std::string& path, const std::string& bytes, std::string& error) {
  const std::wstring target = Widen(path);
  // A name of this save's own: another copy of the game saving at the same moment never
  // removes or moves this one's file, nor this one its.
  static LONG saves = 0;
  const std::wstring temporary = target + NewSuffix + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                 std::to_wstring(InterlockedIncrement(&saves));
  RemoveLeftOvers(target);
  // A fresh file of our own: whatever lies under that name (a crash's left-over, or a
  // link planted to make us write elsewhere) goes first, and CREATE_NEW never opens one.
  DeleteFileW(temporary.c_str());
  {
    const THandle file = OwnHandle(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
      error = Failure("cannot write", temporary);
      return false;
    }
    if (!WriteAll(file.get(), bytes) || !FlushFileBuffers(file.get())) {
      error = Failure("cannot write", temporary);
      DeleteFileW(temporary.c_str());
      return false;
    }
  }
  if (!MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = Failure("cannot replace", target);
    DeleteFileW(temporary.c_str());
    return false;
  }
  return true;
}

bool TWin32FileSystem::KeepBadCopy(const std::string& path) {
  // Saved as a new file of our own (CREATE_NEW, which opens nothing that lies there, a
  // link included) and moved into place: a link planted at the copy's name is replaced,
  // never written through. Only what a table can be is copied.
  const TFileContents contents = ReadFile(path, LargestBadCopy);
  std::string error;
  return contents.Outcome == TReadOutcome::Read && SaveFile(path + Narrow(BadSuffix), contents.Bytes, error);
}

std::unique_ptr<TFileLock> TWin32FileSystem::LockFile(const std::string& path, int timeoutMs, std::string& error) {
  const std::wstring lockPath = Widen(path) + LockSuffix;
  // Shared with the other copies, which lock it too; a link under the name is not
  // followed. Only read: another user sharing the folder takes the lock too.
  THandle file = OwnHandle(CreateFileW(lockPath.c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file) {
    error = Failure("cannot lock", lockPath);
    return nullptr;
  }
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
  for (;;) {
    OVERLAPPED whole{};
    if (LockFileEx(file.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole))
      return std::make_unique<TWin32FileLock>(std::move(file));
    if (GetLastError() != ERROR_LOCK_VIOLATION) {
      error = Failure("cannot lock", lockPath);
      return nullptr;
    }
    if (GetTickCount64() >= deadline) {
      error = LockHeldText(path, Narrow(lockPath), timeoutMs);
      return nullptr;
    }
    Sleep(LockRetryMs);
  }
}

bool TWin32FileSystem::IsReadOnly(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
         (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool TWin32FileSystem::MakeFolder(const std::string& folder) { return MakeFolders(Widen(folder)); }

bool TWin32FileSystem::FolderAcceptsWrites(const std::string& folder) {
  // The access rules of a folder are too many to judge: making a file there is the answer.
  const std::wstring probe = WithSeparator(Widen(folder)) + L"blastover-" + std::to_wstring(GetCurrentProcessId()) +
                             L".probe";
  const THandle file = OwnHandle(CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                             FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  return file != nullptr;
}

std::string TWin32FileSystem::DataFolder() {
  wchar_t* base = nullptr;
  std::wstring folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, &base)))
    folder = WithSeparator(base) + DataFolderName + L"\\";
  CoTaskMemFree(base);
  // No profile at all (a service account, say): beside the program, as before.
  return folder.empty() ? ProgramFolder() : Narrow(folder);
}

std::string TWin32FileSystem::ProgramFolder() {
  const std::wstring path = ProgramPath();
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? ".\\" : Narrow(path.substr(0, slash + 1));
}

std::string TWin32FileSystem::ProgramName() {
  const std::wstring path = ProgramPath();
  return path.empty() ? "blastover.exe" : Narrow(path.substr(path.find_last_of(L"\\/") + 1));
}

bool PathExists(const std::string& path) { return GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

bool DeleteFilePath(const std::string& path) { return DeleteFileW(Widen(path).c_str()) != 0; }
