// File and directory services on Win32, through the wide functions: every path arrives as UTF-8
// and is converted at this edge. Only Win32 calls belong here.
#include <windows.h>

#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include "platform/files.h"
#include "platform/process_user_win32.h"
#include "platform/access_list.h"
#include "platform/system.h"
#include "platform/system_library_win32.h"
#include "platform/wide_text_win32.h"
#include "platform/windows_path.h"

namespace {

// The data directory and the paths formed from it with a bare name: a data directory of 1,023
// bytes, a separator and a name of 255, as UTF-16 at most as many wide characters as bytes.
enum { kWidePathSize = 1024 + 1 + 256 };

// `path` as UTF-16 in `wide`; false for a path that is not UTF-8 or is longer than any the
// installer forms, which then names no file at all.
bool Widen(const char* path, wchar_t (&wide)[kWidePathSize]) { return Utf8ToWide(path, wide, kWidePathSize); }

// Below this many wide characters every function used here takes a plain path; CreateDirectoryW's
// bound is the lowest, MAX_PATH less room for an 8.3 name.
const size_t kPlainPathLimit = MAX_PATH - 12;

void* HeapBlock(size_t wideCharacters) { return HeapAlloc(GetProcessHeap(), 0, wideCharacters * sizeof(wchar_t)); }

// A payload file's or folder's `path` (relative to the current directory, or joined to the data
// directory by the uninstaller) for the wide functions, in a heap block the caller frees with
// FreeWidePath. A path that stays below kPlainPathLimit once joined to the current directory is
// passed as it is, as always; a longer one in the "\\?\" form ("\\?\UNC\" for a share), which
// takes up to 32,767 characters where the plain form stops at MAX_PATH. That form is read
// literally, which the installer's paths allow: single backslashes, no "." or ".." names, no
// trailing dots or spaces. Null when `path` is not UTF-8 or no memory is left.
wchar_t* WidePath(const char* path) {
  const size_t bytes = strlen(path) + 1;  // UTF-16 never needs more units than UTF-8 bytes
  wchar_t* wide = static_cast<wchar_t*>(HeapBlock(bytes));
  if (wide == nullptr) return nullptr;
  if (!Utf8ToWide(path, wide, bytes)) {
    HeapFree(GetProcessHeap(), 0, wide);
    return nullptr;
  }
  const bool driveAbsolute = path[0] != '\0' && path[1] == ':' && path[2] == '\\';
  const bool share = path[0] == '\\' && path[1] == '\\';
  const bool relative = path[0] != '\\' && path[0] != '\0' && path[1] != ':';
  if (!driveAbsolute && !share && !relative) return wide;  // "\\?\..." already, "\name" or "X:name": as given
  // The current directory, for a relative path (its length, terminator included, when asked with no room).
  const DWORD directoryRoom = relative ? GetCurrentDirectoryW(0, nullptr) : 1;
  if (directoryRoom == 0) return wide;
  const size_t fullLength = (directoryRoom - 1) + (relative ? 1 : 0) + (bytes - 1);
  if (fullLength < kPlainPathLimit) return wide;
  wchar_t* full = static_cast<wchar_t*>(HeapBlock(8 + directoryRoom + 1 + bytes));
  if (full == nullptr) {
    HeapFree(GetProcessHeap(), 0, wide);
    return nullptr;
  }
  wchar_t* at;
  const wchar_t* rest = wide;
  if (relative) {
    wchar_t* directory = full + 8;  // room for the prefix before it, moved into place below
    const DWORD length = GetCurrentDirectoryW(directoryRoom, directory);
    if (length == 0 || length >= directoryRoom) {
      HeapFree(GetProcessHeap(), 0, full);
      return wide;
    }
    const bool directoryShare = directory[0] == L'\\' && directory[1] == L'\\' && directory[2] != L'?';
    const bool prefixed = directory[0] == L'\\' && directory[1] == L'\\' && directory[2] == L'?';
    const wchar_t* prefix = prefixed ? L"" : directoryShare ? L"\\\\?\\UNC" : L"\\\\?\\";
    const size_t prefixLength = wcslen(prefix);
    const wchar_t* directoryRest = directoryShare ? directory + 1 : directory;  // "\\server" after "UNC"
    const size_t restLength = length - (directoryRest - directory);
    memmove(full + prefixLength, directoryRest, (restLength + 1) * sizeof(wchar_t));
    memcpy(full, prefix, prefixLength * sizeof(wchar_t));
    at = full + prefixLength + restLength;
    if (at[-1] != L'\\') *at++ = L'\\';
  } else {
    const wchar_t* prefix = share ? L"\\\\?\\UNC" : L"\\\\?\\";
    const size_t prefixLength = wcslen(prefix);
    memcpy(full, prefix, prefixLength * sizeof(wchar_t));
    at = full + prefixLength;
    rest = share ? wide + 1 : wide;  // "\\server\share" becomes "\\?\UNC\server\share"
  }
  memcpy(at, rest, (wcslen(rest) + 1) * sizeof(wchar_t));
  HeapFree(GetProcessHeap(), 0, wide);
  return full;
}

void FreeWidePath(wchar_t* path) {
  if (path != nullptr) HeapFree(GetProcessHeap(), 0, path);
}

}  // namespace

OutputFile CreateOutputFile(const char* name) {
  wchar_t* wide = WidePath(name);
  if (wide == nullptr) return nullptr;
  HANDLE file = CreateFileW(wide, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  FreeWidePath(wide);
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

bool FlushOutputFile(OutputFile file) { return FlushFileBuffers(reinterpret_cast<HANDLE>(file)) != 0; }

bool FileOpensForReading(const char* name) {
  wchar_t* wide = WidePath(name);
  if (wide == nullptr) return false;
  HANDLE file = CreateFileW(wide, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  FreeWidePath(wide);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

bool FileOpensForWriting(const char* name) {
  wchar_t* wide = WidePath(name);
  if (wide == nullptr) return false;
  // Shared with no one, as CreateOutputFile opens it; OPEN_EXISTING changes nothing in it.
  HANDLE file = CreateFileW(wide, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  FreeWidePath(wide);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

char* ReadWholeFile(const char* name, size_t* length) {
  wchar_t* wide = WidePath(name);
  if (wide == nullptr) return nullptr;
  HANDLE file = CreateFileW(wide, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  FreeWidePath(wide);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  char* text = nullptr;
  LARGE_INTEGER size;
  // A file of the size a 32-bit program can hold whole; anything larger is no file it reads.
  if (GetFileSizeEx(file, &size) && size.QuadPart >= 0 && static_cast<unsigned long long>(size.QuadPart) < 0x40000000ull) {
    const DWORD bytes = static_cast<DWORD>(size.QuadPart);
    text = static_cast<char*>(AllocateMemory(bytes + 1));
    DWORD got = 0;
    if (text != nullptr && (!ReadFile(file, text, bytes, &got, nullptr) || got != bytes)) {
      FreeMemory(text);
      text = nullptr;
    }
    if (text != nullptr) {
      text[bytes] = '\0';
      *length = bytes;
    }
  }
  CloseHandle(file);
  return text;
}

bool ReplaceFileNamed(const char* from, const char* to) {
  wchar_t* wideFrom = WidePath(from);
  wchar_t* wideTo = WidePath(to);
  // Within one folder MoveFileEx renames in place; MOVEFILE_WRITE_THROUGH returns only once the
  // rename is on the disk.
  const bool renamed = wideFrom != nullptr && wideTo != nullptr &&
                       MoveFileExW(wideFrom, wideTo, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  FreeWidePath(wideFrom);
  FreeWidePath(wideTo);
  return renamed;
}

bool DeleteFileNamed(const char* name) {
  wchar_t* wide = WidePath(name);
  const bool deleted = wide != nullptr && DeleteFileW(wide) != 0;
  FreeWidePath(wide);
  return deleted;
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
  if (DeleteFileNamed(name)) return true;
  // The program's own file is never one of a long path: it is started from the data directory.
  wchar_t wide[kWidePathSize];
  if (!Widen(name, wide)) return false;
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

bool DirectoryHoldsAnything(const char* path) {
  // The data directory (1,023 bytes at most) and "\\*".
  char pattern[1024 + 2];
  const int length = snprintf(pattern, sizeof pattern, "%s\\*", path);
  if (length < 0 || static_cast<size_t>(length) >= sizeof pattern) return false;
  wchar_t* wide = WidePath(pattern);
  if (wide == nullptr) return false;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileExW(wide, FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
  FreeWidePath(wide);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool holds = false;
  do {
    if (wcscmp(found.cFileName, L".") != 0 && wcscmp(found.cFileName, L"..") != 0) holds = true;
  } while (!holds && FindNextFileW(search, &found));
  FindClose(search);
  return holds;
}

DirectoryRemoval RemoveEmptyDirectory(const char* path) {
  wchar_t* wide = WidePath(path);
  if (wide == nullptr) return DirectoryAbsent;
  const BOOL removed = RemoveDirectoryW(wide);
  const DWORD error = GetLastError();
  FreeWidePath(wide);
  if (removed) return DirectoryRemoved;
  switch (error) {
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
  wchar_t* wide = WidePath(path);
  const bool created = wide != nullptr && CreateDirectoryW(wide, nullptr);
  FreeWidePath(wide);
  return created ? 0 : -1;
}

int CreateProtectedDirectoryLevel(const char* path) {
  unsigned char descriptor[kProtectedDescriptorSize];
  if (ProtectedFolderDescriptor(descriptor, sizeof descriptor) == 0) return -1;
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
  wchar_t* wide = WidePath(path);
  const bool created = wide != nullptr && CreateDirectoryW(wide, &attributes);
  FreeWidePath(wide);
  return created ? 0 : -1;
}

bool OthersMayChangeDirectory(const char* path) {
  // advapi32 is looked up rather than imported, as every DLL beyond KERNEL32 and msvcrt.
  typedef BOOL(WINAPI * FileSecurityFunction)(LPCWSTR, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR, DWORD, DWORD*);
  const auto fileSecurity = reinterpret_cast<FileSecurityFunction>(
      reinterpret_cast<void*>(SystemFunction("advapi32.dll", "GetFileSecurityW")));
  if (fileSecurity == nullptr) return true;
  alignas(8) unsigned char user[SECURITY_MAX_SID_SIZE];
  const unsigned char* ownUser = ReadProcessUser(user) ? user : nullptr;
  DWORD needed = 0;
  wchar_t* wide = WidePath(path);
  if (wide == nullptr) return true;
  const SECURITY_INFORMATION wanted = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  // A folder's descriptor is a few hundred bytes; a larger one is read into the heap.
  alignas(8) unsigned char small[1024];
  unsigned char* descriptor = small;
  DWORD size = sizeof small;
  BOOL read = fileSecurity(wide, wanted, descriptor, size, &needed);
  if (!read && GetLastError() == ERROR_INSUFFICIENT_BUFFER && needed > size) {
    descriptor = static_cast<unsigned char*>(AllocateMemory(needed));
    size = needed;
    read = descriptor != nullptr && fileSecurity(wide, wanted, descriptor, size, &needed);
  }
  FreeWidePath(wide);
  const bool others = !read || DescriptorLetsOthersChange(descriptor, size, ownUser);
  if (descriptor != small) FreeMemory(descriptor);
  return others;
}

int QueryPath(const char* path, bool* isDirectory) {
  // The Windows rules are applied before asking, so that every Windows version and Wine answer
  // alike.
  if (NamesNothing(path)) return -1;
  wchar_t* wide = WidePath(path);
  if (wide == nullptr) return -1;
  // GetFileAttributes, unlike FindFirstFile, also answers for a drive root and a share root.
  const DWORD attributes = GetFileAttributesW(wide);
  FreeWidePath(wide);
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
