// SHA-256 digests as hex, of bytes and of files (the installer's own SHA-256 does the work).
#include "tools/pack/common/sha256.h"

#include <errno.h>
#include <string.h>
#include <unistd.h>

#include <vector>

#include "product/sha256.h"
#include "tools/pack/common/file_io.h"

namespace {

std::string Hex(const unsigned char* digest) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (uint32_t i = 0; i < kSha256Size; ++i) {
    hex += kDigits[digest[i] >> 4];
    hex += kDigits[digest[i] & 15];
  }
  return hex;
}

}  // namespace

std::string Sha256Hex(const void* data, size_t size) {
  Sha256State state;
  Sha256Start(&state);
  Sha256Add(&state, static_cast<const unsigned char*>(data), size);
  unsigned char digest[kSha256Size];
  Sha256Finish(&state, digest);
  return Hex(digest);
}

bool Sha256OfFile(const std::string& path, std::string* hex, std::string* error) {
  const int fd = OpenForReading(path);
  if (fd < 0) {
    *error = "cannot read " + path + ": " + strerror(errno);
    return false;
  }
  Sha256State state;
  Sha256Start(&state);
  std::vector<unsigned char> buffer(1 << 16);
  long long got;
  while ((got = ReadFully(fd, buffer.data(), buffer.size())) > 0) Sha256Add(&state, buffer.data(), (size_t)got);
  const int readError = errno;
  close(fd);
  if (got < 0) {
    *error = "cannot read " + path + ": " + strerror(readError);
    return false;
  }
  unsigned char digest[kSha256Size];
  Sha256Finish(&state, digest);
  *hex = Hex(digest);
  return true;
}
