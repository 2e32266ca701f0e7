// The packaging tool's file services on Windows. Only Win32 and C runtime calls belong here.
// Descriptors are the C runtime's, always in binary mode (text mode would turn every byte 10
// written into 13 10).
#include <windows.h>

#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <string.h>
#include <sys/stat.h>

#include "tools/pack/common/file_io.h"

namespace {

HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

// errno for the last Win32 error, near enough for the messages the tool prints.
void SetErrnoFromWin32() {
  switch (GetLastError()) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: errno = ENOSPC; break;
    case ERROR_ACCESS_DENIED: errno = EACCES; break;
    default: errno = EIO;
  }
}

}  // namespace

int OpenForReading(const std::string& path) { return _open(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT); }

int CreateForWriting(const std::string& path, bool) {
  return _open(path.c_str(), _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}

bool RegularFileSize(int fd, uint64_t* size, std::string* problem) {
  struct _stat64 info;
  if (_fstat64(fd, &info) != 0) {
    *problem = strerror(errno);
    return false;
  }
  if ((info.st_mode & _S_IFMT) == _S_IFDIR) {
    *problem = "is a directory";
    return false;
  }
  if ((info.st_mode & _S_IFMT) != _S_IFREG) {
    *problem = "is not a regular file";
    return false;
  }
  *size = (uint64_t)info.st_size;
  return true;
}

bool ReadAt(int fd, void* data, size_t size, uint64_t offset) {
  char* bytes = static_cast<char*>(data);
  while (size > 0) {
    OVERLAPPED at = {};
    at.Offset = (DWORD)offset;
    at.OffsetHigh = (DWORD)(offset >> 32);
    DWORD count = 0;
    const DWORD want = size > 0x40000000 ? 0x40000000 : (DWORD)size;
    if (!ReadFile(HandleOf(fd), bytes, want, &count, &at)) {
      if (GetLastError() == ERROR_HANDLE_EOF) {
        errno = 0;
      } else {
        SetErrnoFromWin32();
      }
      return false;
    }
    if (count == 0) {
      errno = 0;
      return false;
    }
    bytes += count;
    size -= count;
    offset += count;
  }
  return true;
}

bool WriteAt(int fd, const void* data, size_t size, uint64_t offset) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    OVERLAPPED at = {};
    at.Offset = (DWORD)offset;
    at.OffsetHigh = (DWORD)(offset >> 32);
    DWORD count = 0;
    const DWORD want = size > 0x40000000 ? 0x40000000 : (DWORD)size;
    if (!WriteFile(HandleOf(fd), bytes, want, &count, &at) || count == 0) {
      SetErrnoFromWin32();
      return false;
    }
    bytes += count;
    size -= count;
    offset += count;
  }
  return true;
}

bool SeekTo(int fd, uint64_t offset) { return _lseeki64(fd, (long long)offset, SEEK_SET) == (long long)offset; }

bool WriteAll(int fd, const void* data, size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const unsigned want = size > 0x40000000 ? 0x40000000u : (unsigned)size;
    const int count = _write(fd, bytes, want);
    if (count <= 0) {
      if (count == 0) errno = ENOSPC;
      return false;
    }
    bytes += count;
    size -= (size_t)count;
  }
  return true;
}

long long ReadFully(int fd, void* data, size_t size) {
  char* bytes = static_cast<char*>(data);
  size_t total = 0;
  while (total < size) {
    const size_t left = size - total;
    const int count = _read(fd, bytes + total, left > 0x40000000 ? 0x40000000u : (unsigned)left);
    if (count < 0) return -1;
    if (count == 0) break;
    total += (size_t)count;
  }
  return (long long)total;
}

bool RenameOver(const std::string& from, const std::string& to) {
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  SetErrnoFromWin32();
  return false;
}

bool SameFile(const std::string& a, const std::string& b) {
  auto identify = [](const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
    HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool known = GetFileInformationByHandle(file, info) != 0;
    CloseHandle(file);
    return known;
  };
  BY_HANDLE_FILE_INFORMATION first, second;
  return identify(a, &first) && identify(b, &second) && first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

bool IsDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string RunningProgramPath() {
  char path[MAX_PATH * 4];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

long ProcessNumber() { return (long)GetCurrentProcessId(); }
