// Finding the installer data block at the end of the running native program's own file. Only
// POSIX calls belong here.
#include <fcntl.h>
#include <stdint.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "driver/installer_data_location.h"
#include "product/installer_data.h"

namespace {

uint64_t Read64(const unsigned char* at) {
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | at[i];
  return value;
}

}  // namespace

bool FindInstallerData(InstanceHandle, const unsigned char** block, size_t* size) {
  const int fd = open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  unsigned char trailer[installer_data::kTrailerSize] = {};
  bool found = fstat(fd, &info) == 0 && (uint64_t)info.st_size >= sizeof trailer &&
               pread(fd, trailer, sizeof trailer, info.st_size - (off_t)sizeof trailer) == (ssize_t)sizeof trailer &&
               memcmp(trailer, installer_data::kTrailerMagic, sizeof installer_data::kTrailerMagic) == 0;
  const uint64_t fileSize = found ? (uint64_t)info.st_size : 0;
  const uint64_t offset = Read64(trailer + 8);
  const uint64_t length = Read64(trailer + 16);
  found = found && offset % 8 == 0 && offset <= fileSize - sizeof trailer &&
          length <= fileSize - sizeof trailer - offset && length <= SIZE_MAX;
  // The whole file is mapped, so that the block keeps the 8-byte alignment of its offset.
  void* mapped = found ? mmap(nullptr, (size_t)fileSize, PROT_READ, MAP_PRIVATE, fd, 0) : MAP_FAILED;
  close(fd);
  if (mapped == MAP_FAILED) return false;
  *block = static_cast<const unsigned char*>(mapped) + offset;
  *size = (size_t)length;
  return true;
}
