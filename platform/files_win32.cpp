// File and directory services on Win32, through the wide functions: every path arrives as UTF-8
// and is converted at this edge. Only Win32 calls belong here.
#include <windows.h>

#include "platform/files.h"
#include "platform/wide_text_win32.h"
#include "platform/windows_path.h"

namespace {

// The longest path the installer forms is a data directory of 1,023 bytes, a separator and a
// name of 255: as UTF-16 it takes at most as many wide characters as it has bytes.
enum { kWidePathSize = 1024 + 1 + 256 };

// `path` as UTF-16 in `wide`; false for a path that is not UTF-8 or is longer than any the
// installer forms, which then names no file at all.
bool Widen(const char* path, wchar_t (&wide)[kWidePathSize]) { return Utf8ToWide(path, wide, kWidePathSize); }

}  // namespace

OutputFile CreateOutputFile(const char* name) {
  wchar_t wide[kWidePathSize];
  if (!Widen(name, wide)) return nullptr;
  HANDLE file = CreateFileW(wide, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
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
  wchar_t wide[kWidePathSize];
  if (!Widen(name, wide)) return false;
  HANDLE file = CreateFileW(wide, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

bool DeleteFileNamed(const char* name) {
  wchar_t wide[kWidePathSize];
  return Widen(name, wide) && DeleteFileW(wide) != 0;
}

namespace {

// True when `a` and `b` name one existing file, however each is spelt (long or short names,
// case): the same volume and file index.
bool SameFile(const wchar_t* a, const wchar_t* b) {
  BY_HANDLE_FILE_INFORMATION info[2];
  const wchar_t* paths[2] = {a, b};
  for (int i = 0; i < 2; ++i) {
    HANDLE file = CreateFileW(paths[i], FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
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
  wchar_t wide[kWidePathSize];
  if (!Widen(name, wide)) return false;
  if (DeleteFileW(wide)) return true;
  wchar_t self[kWidePathSize];
  const DWORD length = GetModuleFileNameW(nullptr, self, kWidePathSize);
  if (length == 0 || length >= kWidePathSize || !SameFile(wide, self)) return false;
  // GetTempFileName creates an empty file of a name no one else uses, which the program's file
  // then replaces; a rename never copies, so it fails between drives instead.
  wchar_t folder[MAX_PATH];
  wchar_t aside[MAX_PATH];
  const DWORD folderLength = GetTempPathW(MAX_PATH, folder);
  if (folderLength == 0 || folderLength >= MAX_PATH || GetTempFileNameW(folder, L"uns", 0, aside) == 0) return false;
  if (!MoveFileExW(wide, aside, MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileW(aside);
    return false;
  }
  MoveFileExW(aside, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return true;
}

DirectoryRemoval RemoveEmptyDirectory(const char* path) {
  wchar_t wide[kWidePathSize];
  if (!Widen(path, wide)) return DirectoryAbsent;
  if (RemoveDirectoryW(wide)) return DirectoryRemoved;
  switch (GetLastError()) {
    case ERROR_DIR_NOT_EMPTY: return DirectoryNotEmpty;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return DirectoryAbsent;
    default: return DirectoryNotRemoved;
  }
}

int ChangeDirectory(const char* path) {
  wchar_t wide[kWidePathSize];
  return Widen(path, wide) && SetCurrentDirectoryW(wide) ? 0 : -1;
}

int CreateDirectoryLevel(const char* path) {
  wchar_t wide[kWidePathSize];
  return Widen(path, wide) && CreateDirectoryW(wide, nullptr) ? 0 : -1;
}

int QueryPath(const char* path, bool* isDirectory) {
  // The Windows rules are applied before asking, so that every Windows version and Wine answer
  // alike.
  if (NamesNothing(path)) return -1;
  wchar_t wide[kWidePathSize];
  if (!Widen(path, wide)) return -1;
  // GetFileAttributes, unlike FindFirstFile, also answers for a drive root and a share root.
  const DWORD attributes = GetFileAttributesW(wide);
  if (attributes == INVALID_FILE_ATTRIBUTES) return -1;
  *isDirectory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return 0;
}

bool MakeFullPath(const char* path, char* out, size_t size) {
  if (size > 0) out[0] = '\0';
  wchar_t wide[kWidePathSize];
  wchar_t full[kWidePathSize];
  if (!Widen(path, wide)) return false;
  // GetFullPathNameW returns the room it needs, terminator included, when the result does not
  // fit, and 0 on failure; the UTF-8 form must fit `size` bytes too.
  const DWORD length = GetFullPathNameW(wide, kWidePathSize, full, nullptr);
  return length != 0 && length < kWidePathSize && WideToUtf8(full, out, size);
}
