// The packaging tool's file services that are the same on every system.
#include "tools/pack/common/file_io.h"

#include <errno.h>
#include <string.h>
#include <unistd.h>

bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* error) {
  const int fd = OpenForReading(path);
  if (fd < 0) {
    *error = path + ": cannot read: " + strerror(errno);
    return false;
  }
  uint64_t size = 0;
  std::string problem;
  if (!RegularFileSize(fd, &size, &problem)) {
    close(fd);
    *error = path + ": " + problem;
    return false;
  }
  bytes->resize((size_t)size);
  const long long count = ReadFully(fd, &(*bytes)[0], bytes->size());
  const int savedErrno = errno;
  close(fd);
  if (count < 0) {
    *error = path + ": cannot read: " + strerror(savedErrno);
    return false;
  }
  if ((uint64_t)count != size) {
    *error = path + ": changed size while being read";
    return false;
  }
  return true;
}
