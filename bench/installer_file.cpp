// The benchmarks' way into a finished installer: its product, read from the installer file the
// way the installer program reads its own.
#include "bench/installer_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "product/installer_data.h"

namespace {
SettingsRecord loadedSettings;
PayloadTableRecord loadedTable;
}  // namespace

const SettingsRecord& InstallerSettings = loadedSettings;
const PayloadTableRecord& PayloadTable = loadedTable;

bool LoadInstallerFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info;
  if (fd < 0 || fstat(fd, &info) != 0 || info.st_size < (off_t)installer_data::kTrailerSize) {
    fprintf(stderr, "%s: cannot read\n", path.c_str());
    return false;
  }
  void* mapped = mmap(nullptr, (size_t)info.st_size, PROT_READ, MAP_PRIVATE, fd, 0);
  close(fd);
  if (mapped == MAP_FAILED) return false;
  const unsigned char* file = static_cast<const unsigned char*>(mapped);
  const unsigned char* trailer = file + info.st_size - installer_data::kTrailerSize;
  uint64_t offset = 0, size = 0;
  memcpy(&offset, trailer + 8, 8);
  memcpy(&size, trailer + 16, 8);
  if (memcmp(trailer, installer_data::kTrailerMagic, 8) != 0 || offset + size > (uint64_t)info.st_size ||
      ReadInstallerData(file + offset, size, malloc, &loadedSettings, &loadedTable) != InstallerDataRead) {
    fprintf(stderr, "%s: not a native installer with readable data\n", path.c_str());
    return false;
  }
  return true;
}
