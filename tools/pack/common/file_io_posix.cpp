// The packaging tool's file services on Linux and other POSIX systems. Only POSIX calls belong here.
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tools/pack/common/file_io.h"

int OpenForReading(const std::string& path) { return open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); }

int CreateForWriting(const std::string& path, bool executable) {
  return open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, executable ? 0755 : 0644);
}

bool RegularFileSize(int fd, uint64_t* size, std::string* problem) {
  struct stat info;
  if (fstat(fd, &info) != 0) {
    *problem = strerror(errno);
    return false;
  }
  if (S_ISDIR(info.st_mode)) {
    *problem = "is a directory";
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    *problem = "is not a regular file";
    return false;
  }
  *size = (uint64_t)info.st_size;
  return true;
}

bool ReadAt(int fd, void* data, size_t size, uint64_t offset) {
  char* bytes = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t count = pread(fd, bytes, size, (off_t)offset);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      if (count == 0) errno = 0;
      return false;
    }
    bytes += count;
    size -= (size_t)count;
    offset += (uint64_t)count;
  }
  return true;
}

bool WriteAt(int fd, const void* data, size_t size, uint64_t offset) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t count = pwrite(fd, bytes, size, (off_t)offset);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      if (count == 0) errno = ENOSPC;
      return false;
    }
    bytes += count;
    size -= (size_t)count;
    offset += (uint64_t)count;
  }
  return true;
}

bool SeekTo(int fd, uint64_t offset) { return lseek(fd, (off_t)offset, SEEK_SET) == (off_t)offset; }

bool WriteAll(int fd, const void* data, size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t count = write(fd, bytes, size);
    if (count < 0 && errno == EINTR) continue;
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
    const ssize_t count = read(fd, bytes + total, size - total);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return -1;
    if (count == 0) break;
    total += (size_t)count;
  }
  return (long long)total;
}

bool RenameOver(const std::string& from, const std::string& to) { return rename(from.c_str(), to.c_str()) == 0; }

bool SameFile(const std::string& a, const std::string& b) {
  struct stat first, second;
  return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

bool IsDirectory(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string RunningProgramPath() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  return length > 0 ? std::string(path, (size_t)length) : std::string();
}

long ProcessNumber() { return (long)getpid(); }
