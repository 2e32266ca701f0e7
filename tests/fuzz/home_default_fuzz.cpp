// Fuzzes the home default composition: any HOMEDRIVE, HOMEPATH and group name, into a buffer of
// any size, must stay inside the buffer and either fit whole or leave an empty text.
#include <stdlib.h>
#include <string.h>

#include <string>

#include "datadir/data_directory.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input input = {data, size};
  const uint8_t flags = input.Byte();
  const size_t bufferSize = 1 + ((input.Byte() << 8 | input.Byte()) % 2048);
  const std::string drive = input.Text(0, 4096);
  const std::string path = input.Text(0, 4096);
  std::string group = input.Rest();
  group.resize(strnlen(group.c_str(), group.size()));

  char* out = static_cast<char*>(malloc(bufferSize));
  memset(out, 'x', bufferSize);
  const bool fits = ComposeHomeDefault((flags & 1) ? drive.c_str() : nullptr, (flags & 2) ? path.c_str() : nullptr,
                                       group.c_str(), out, bufferSize);
  const size_t length = strnlen(out, bufferSize);
  if (length == bufferSize) abort();  // not terminated inside the buffer
  if (!fits && length != 0) abort();
  if (fits) {
    // The composition ends with "\<group>" and starts with the drive or a drive-carrying path.
    const std::string result(out, length);
    const std::string tail = "\\" + group;
    if (result.size() < tail.size() || result.compare(result.size() - tail.size(), tail.size(), tail) != 0) abort();
    const std::string homePath = (flags & 2) ? path : "";
    if (homePath.size() >= 2 && homePath[1] == ':') {
      if (result.compare(0, 2, homePath, 0, 2) != 0) abort();
    }
  }
  free(out);
  return 0;
}
