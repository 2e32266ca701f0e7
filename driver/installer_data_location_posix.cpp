// Finding and reading the installer data block at the end of the native program's own file. Only
// POSIX calls belong here.
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "driver/installer_data_location.h"
#include "product/installer_data.h"

namespace {

int dataFile = -1;
uint64_t blockStart = 0;
char programFolder[4096];  // with its final '/'; empty for the working directory

uint64_t Read64(const unsigned char* at) {
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | at[i];
  return value;
}

}  // namespace

bool OpenInstallerDataFile(const char* path, uint64_t* size) {
  CloseInstallerData();
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  unsigned char trailer[installer_data::kTrailerSize] = {};
  bool found = fstat(fd, &info) == 0 && (uint64_t)info.st_size >= sizeof trailer &&
               pread(fd, trailer, sizeof trailer, info.st_size - (off_t)sizeof trailer) == (ssize_t)sizeof trailer &&
               memcmp(trailer, installer_data::kTrailerMagic, sizeof installer_data::kTrailerMagic) == 0;
  const uint64_t fileSize = found ? (uint64_t)info.st_size : 0;
  const uint64_t offset = Read64(trailer + 8);
  const uint64_t length = Read64(trailer + 16);
  found = found && offset <= fileSize - sizeof trailer && length <= fileSize - sizeof trailer - offset;
  if (!found) {
    close(fd);
    return false;
  }
  dataFile = fd;
  blockStart = offset;
  *size = length;
  const char* slash = strrchr(path, '/');
  const size_t folderLength = slash != nullptr ? (size_t)(slash - path) + 1 : 0;
  if (folderLength >= sizeof programFolder) return false;
  memcpy(programFolder, path, folderLength);
  programFolder[folderLength] = 0;
  return true;
}

bool OpenInstallerData(InstanceHandle, uint64_t* size) {
  // The link names the file the program was started from, whose folder holds its data files.
  char self[sizeof programFolder];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return false;
  self[length] = 0;
  return OpenInstallerDataFile(self, size);
}

bool ReadFileAt(intptr_t file, uint64_t offset, unsigned char* into, uint32_t size) {
  // pread takes a 64-bit off_t here (a 64-bit program), so offsets past 4 GiB need no care.
  uint32_t done = 0;
  while (done < size) {
    const ssize_t got = pread((int)file, into + done, size - done, (off_t)(offset + done));
    if (got <= 0) return false;
    done += (uint32_t)got;
  }
  return true;
}

bool ReadInstallerBytes(uint64_t offset, unsigned char* into, uint32_t size) {
  return ReadFileAt(dataFile, blockStart + offset, into, size);
}

intptr_t OpenFileBesideProgram(const char* name, uint64_t size) {
  char path[sizeof programFolder + 300];
  snprintf(path, sizeof path, "%s%s", programFolder, name);
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  struct stat info;
  if (fd < 0) return -1;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || (uint64_t)info.st_size != size) {
    close(fd);
    return -1;
  }
  return fd;
}

void CloseInstallerData() {
  if (dataFile >= 0) close(dataFile);
  dataFile = -1;
}
