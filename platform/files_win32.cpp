// File and directory services on Win32. Only Win32 calls belong here.
#include <windows.h>

#include "platform/files.h"
#include "platform/windows_path.h"

OutputFile CreateOutputFile(const char* name) {
  HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? nullptr : reinterpret_cast<OutputFile>(file);
}

size_t WriteOutputFile(OutputFile file, const void* data, size_t count) {
  // A failed or short write (a full disk) reports what did reach the file.
  DWORD written = 0;
  WriteFile(reinterpret_cast<HANDLE>(file), data, static_cast<DWORD>(count), &written, nullptr);
  return written;
}

bool CloseOutputFile(OutputFile file) {
  return file == nullptr || CloseHandle(reinterpret_cast<HANDLE>(file)) != 0;
}

bool FileOpensForReading(const char* name) {
  HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

bool DeleteFileNamed(const char* name) { return DeleteFileA(name) != 0; }

namespace {

// True when `a` and `b` name one existing file, however each is spelt (long or short names,
// case): the same volume and file index.
bool SameFile(const char* a, const char* b) {
  BY_HANDLE_FILE_INFORMATION info[2];
  const char* paths[2] = {a, b};
  for (int i = 0; i < 2; ++i) {
    HANDLE file = CreateFileA(paths[i], FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const BOOL read = GetFileInformationByHandle(file, &info[i]);
    CloseHandle(file);
    if (!read) return false;
  }
  return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
         info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

}  // namespace

bool DeleteFileOrOwnProgram(const char* name) {
  if (DeleteFileA(name)) return true;
  char self[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
  if (length == 0 || length >= sizeof self || !SameFile(name, self)) return false;
  // GetTempFileName creates an empty file of a name no one else uses, which the program's file
  // then replaces; a rename never copies, so it fails between drives instead.
  char folder[MAX_PATH];
  char aside[MAX_PATH];
  const DWORD folderLength = GetTempPathA(sizeof folder, folder);
  if (folderLength == 0 || folderLength >= sizeof folder || GetTempFileNameA(folder, "uns", 0, aside) == 0) {
    return false;
  }
  if (!MoveFileExA(name, aside, MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileA(aside);
    return false;
  }
  MoveFileExA(aside, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return true;
}

DirectoryRemoval RemoveEmptyDirectory(const char* path) {
  if (RemoveDirectoryA(path)) return DirectoryRemoved;
  switch (GetLastError()) {
    case ERROR_DIR_NOT_EMPTY: return DirectoryNotEmpty;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return DirectoryAbsent;
    default: return DirectoryNotRemoved;
  }
}

int ChangeDirectory(const char* path) { return SetCurrentDirectoryA(path) ? 0 : -1; }

int CreateDirectoryLevel(const char* path) { return CreateDirectoryA(path, nullptr) ? 0 : -1; }

int QueryPath(const char* path, bool* isDirectory) {
  // The Windows rules are applied before asking, so that every Windows version and Wine answer
  // alike.
  if (NamesNothing(path)) return -1;
  // GetFileAttributes, unlike FindFirstFile, also answers for a drive root and a share root.
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return -1;
  *isDirectory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return 0;
}

bool MakeFullPath(const char* path, char* out, size_t size) {
  // GetFullPathNameA returns the room it needs, terminator included, when the result does not
  // fit, and 0 on failure.
  const DWORD length = GetFullPathNameA(path, static_cast<DWORD>(size), out, nullptr);
  if (length == 0 || length >= size) {
    if (size > 0) out[0] = '\0';
    return false;
  }
  return true;
}
