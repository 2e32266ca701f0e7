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
