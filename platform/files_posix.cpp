// File and directory services on POSIX, answering Windows path questions the way Windows does.
// Only POSIX calls belong here.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files.h"
#include "platform/native_path.h"
#include "platform/system.h"
#include "platform/windows_path.h"

// One per open output file, on the heap, so that any number can be open at once.
struct OutputFileRecord {
  int descriptor;
};

namespace {

enum { kNativePathSize = PATH_MAX };

// Windows refuses these characters in file names, so a path holding one names nothing and cannot
// be created; POSIX would accept them. ':' is allowed only after a leading drive letter.
bool HasInvalidNameCharacter(const char* path) {
  for (const char* p = path; *p != '\0'; ++p) {
    if (strchr("?*<>|\"", *p) != nullptr) return true;
    if (*p == ':' && !(p == path + 1 && HasDriveLetter(path))) return true;
  }
  return false;
}

}  // namespace

OutputFile CreateOutputFile(const char* name) {
  char native[kNativePathSize];
  if (!MapNativePath(name, native, sizeof native, nullptr)) return nullptr;
  // A ".exe" is a program on Windows by its name alone; give it the execute bit here so the
  // console edition can start what it installed.
  const size_t length = strlen(name);
  const bool program = length >= 4 && strcasecmp(name + length - 4, ".exe") == 0;
  int descriptor = open(native, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, program ? 0777 : 0666);
  if (descriptor < 0) return nullptr;
  OutputFile file = static_cast<OutputFile>(malloc(sizeof(OutputFileRecord)));
  if (file == nullptr) {
    close(descriptor);
    return nullptr;
  }
  file->descriptor = descriptor;
  return file;
}

size_t WriteOutputFile(OutputFile file, const void* data, size_t count) {
  size_t written = 0;
  while (written < count) {
    ssize_t step = write(file->descriptor, static_cast<const char*>(data) + written, count - written);
    if (step < 0 && errno == EINTR) continue;
    if (step <= 0) break;
    written += static_cast<size_t>(step);
  }
  return written;
}

bool CloseOutputFile(OutputFile file) {
  if (file == nullptr) return true;
  const bool closed = close(file->descriptor) == 0;
  free(file);
  return closed;
}

bool FlushOutputFile(OutputFile file) { return fsync(file->descriptor) == 0; }

bool FileOpensForReading(const char* name) {
  char native[kNativePathSize];
  if (!MapNativePath(name, native, sizeof native, nullptr)) return false;
  int descriptor = open(native, O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return false;
  close(descriptor);
  return true;
}

bool FileOpensForWriting(const char* name) {
  char native[kNativePathSize];
  if (!MapNativePath(name, native, sizeof native, nullptr)) return false;
  int descriptor = open(native, O_WRONLY | O_CLOEXEC);  // no O_CREAT, no O_TRUNC: nothing changes
  if (descriptor < 0) return false;
  close(descriptor);
  return true;
}

char* ReadWholeFile(const char* name, size_t* length) {
  char native[kNativePathSize];
  if (!MapNativePath(name, native, sizeof native, nullptr)) return nullptr;
  int descriptor = open(native, O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return nullptr;
  struct stat status;
  char* text = nullptr;
  if (fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode)) {
    const size_t size = static_cast<size_t>(status.st_size);
    text = static_cast<char*>(AllocateMemory(size + 1));
    size_t got = 0;
    while (text != nullptr && got < size) {
      const ssize_t step = read(descriptor, text + got, size - got);
      if (step < 0 && errno == EINTR) continue;
      if (step <= 0) break;
      got += static_cast<size_t>(step);
    }
    if (text != nullptr && got < size) {
      FreeMemory(text);
      text = nullptr;
    }
    if (text != nullptr) {
      text[size] = '\0';
      *length = size;
    }
  }
  close(descriptor);
  return text;
}

bool ReplaceFileNamed(const char* from, const char* to) {
  char nativeFrom[kNativePathSize];
  char nativeTo[kNativePathSize];
  if (!MapNativePath(from, nativeFrom, sizeof nativeFrom, nullptr) || !MapNativePath(to, nativeTo, sizeof nativeTo, nullptr)) {
    return false;
  }
  struct stat status;
  if (stat(nativeFrom, &status) != 0 || !S_ISREG(status.st_mode) || rename(nativeFrom, nativeTo) != 0) return false;
  // The rename is on the disk once the folder holding it is.
  char* slash = strrchr(nativeTo, '/');
  if (slash != nullptr) *slash = '\0';
  const int folder = open(slash != nullptr ? nativeTo : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    fsync(folder);
    close(folder);
  }
  return true;
}

bool DeleteFileNamed(const char* name) {
  char native[kNativePathSize];
  return MapNativePath(name, native, sizeof native, nullptr) && unlink(native) == 0;
}

// A running program's file can be deleted like any other here.
bool DeleteFileOrOwnProgram(const char* name) { return DeleteFileNamed(name); }

DirectoryRemoval RemoveEmptyDirectory(const char* path) {
  char native[kNativePathSize];
  if (HasInvalidNameCharacter(path) || !MapNativePath(path, native, sizeof native, nullptr)) return DirectoryAbsent;
  if (rmdir(native) == 0) return DirectoryRemoved;
  if (errno == ENOTEMPTY || errno == EEXIST) return DirectoryNotEmpty;
  return errno == ENOENT ? DirectoryAbsent : DirectoryNotRemoved;
}

bool DirectoryHoldsAnything(const char* path) {
  char native[kNativePathSize];
  if (HasInvalidNameCharacter(path) || !MapNativePath(path, native, sizeof native, nullptr)) return false;
  DIR* directory = opendir(native);
  if (directory == nullptr) return false;
  bool holds = false;
  // cppcheck-suppress readdirCalled ; the stream is this call's own (readdir_r is deprecated)
  while (const dirent* entry = readdir(directory)) {
    if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0) {
      holds = true;
      break;
    }
  }
  closedir(directory);
  return holds;
}

int ChangeDirectory(const char* path) {
  // chdir, like SetCurrentDirectory, accepts a directory named with a trailing separator.
  char native[kNativePathSize];
  if (HasInvalidNameCharacter(path) || !MapNativePath(path, native, sizeof native, nullptr)) return -1;
  return chdir(native) == 0 ? 0 : -1;
}

int CreateDirectoryLevel(const char* path) {
  char native[kNativePathSize];
  bool bareDrive = false;
  if (HasInvalidNameCharacter(path) || !MapNativePath(path, native, sizeof native, &bareDrive) || bareDrive) {
    return -1;
  }
  return mkdir(native, 0777) == 0 ? 0 : -1;
}

int CreateProtectedDirectoryLevel(const char* path) {
  if (CreateDirectoryLevel(path) != 0) return -1;
  char native[kNativePathSize];
  if (MapNativePath(path, native, sizeof native, nullptr) && chmod(native, 0755) == 0) return 0;
  RemoveEmptyDirectory(path);
  return -1;
}

bool OthersMayChangeDirectory(const char* path) {
  char native[kNativePathSize];
  struct stat status;
  if (HasInvalidNameCharacter(path) || !MapNativePath(path, native, sizeof native, nullptr) ||
      stat(native, &status) != 0) {
    return true;
  }
  return (status.st_mode & (S_IWGRP | S_IWOTH)) != 0 || (status.st_uid != 0 && status.st_uid != geteuid());
}

int QueryPath(const char* path, bool* isDirectory) {
  char native[kNativePathSize];
  if (NamesNothing(path) || HasInvalidNameCharacter(path) || !MapNativePath(path, native, sizeof native, nullptr)) {
    return -1;
  }
  struct stat status;
  if (stat(native, &status) != 0) return -1;
  *isDirectory = S_ISDIR(status.st_mode);
  return 0;
}

bool MakeFullPath(const char* path, char* out, size_t size) { return FullWindowsPath(path, out, size); }
