// File and directory services on Win32. Only Win32 calls belong here.
#include <windows.h>

#include "platform/files.h"

OutputFile CreateOutputFile(const char* name) {
  HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? nullptr : reinterpret_cast<OutputFile>(file);
}

size_t WriteOutputFile(OutputFile file, const void* data, size_t count) {
  DWORD written = 0;
  if (!WriteFile(reinterpret_cast<HANDLE>(file), data, static_cast<DWORD>(count), &written, nullptr)) {
    return written;
  }
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
  // alike: wildcards, a bare "C:" and a trailing separator (but for a drive root) name nothing.
  for (const char* p = path; *p != '\0'; ++p) {
    if (*p == '?' || *p == '*') return -1;
  }
  const int length = lstrlenA(path);
  if (length == 0) return -1;
  const char letter = static_cast<char>(path[0] | 0x20);
  const bool hasDrive = letter >= 'a' && letter <= 'z' && path[1] == ':';
  if (hasDrive && length == 2) return -1;
  const char last = path[length - 1];
  if ((last == '\\' || last == '/') && !(hasDrive && length == 3)) return -1;
  // GetFileAttributes, unlike FindFirstFile, also answers for a drive root and a share root.
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return -1;
  *isDirectory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return 0;
}

bool ReadCurrentDirectory(char* buffer, size_t size) {
  DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(size), buffer);
  if (length == 0 || length >= size) {
    if (size > 0) buffer[0] = '\0';
    return false;
  }
  return true;
}
