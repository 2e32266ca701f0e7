// Fuzzes the console edition's drive-letter path mapping and its full paths: any Windows path
// text, any output size and any current directory must give a terminated result inside the
// buffer, or a refusal.
#include <ctype.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "platform/files.h"
#include "platform/native_path.h"
#include "platform/windows_path.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& scratch = fuzz::ScratchFolder();
  fuzz::Input input = {data, size};
  const uint8_t where = input.Byte();
  const size_t bufferSize = 1 + ((input.Byte() << 8 | input.Byte()) % 4200);
  const std::string path = input.Text(0, 8192);

  // The current directory decides what "\a" maps to: inside drive C, D, or outside any drive.
  const char* current[] = {"/drives/C", "/drives/D", "/work", "/drives"};
  if (chdir((scratch + current[where % 4]).c_str()) != 0) abort();

  char* out = static_cast<char*>(malloc(bufferSize));
  bool bareDrive = true;
  const bool mapped = MapNativePath(path.c_str(), out, bufferSize, &bareDrive);
  if (mapped) {
    const size_t length = strnlen(out, bufferSize);
    if (length == bufferSize) abort();
    if (memchr(out, '\\', length) != nullptr) abort();  // every separator became '/'
    const bool isBare = path.size() == 2 && path[1] == ':' && isalpha(static_cast<unsigned char>(path[0]));
    if (bareDrive != isBare) abort();
  }
  free(out);

  // A relative path made full is a full path with single separators and no "." or ".."
  // of its own, inside its buffer; anything else is refused.
  char* full = static_cast<char*>(malloc(bufferSize));
  if (MakeFullPath(path.c_str(), full, bufferSize)) {
    const size_t length = strnlen(full, bufferSize);
    if (length == bufferSize || !IsRelativePath(path.c_str())) abort();
    const std::string made(full, length);
    if (!HasDriveLetter(full) || full[2] != '\\' || made.find('/') != std::string::npos) abort();
    if (made.find("\\\\") != std::string::npos || (made + "\\").find("\\.\\") != std::string::npos) abort();
  } else if (bufferSize > 0 && full[0] != '\0') {
    abort();  // a refusal leaves the buffer empty
  }
  free(full);

  // The path query built on the mapping must refuse or answer, never overrun. (Nothing here
  // opens the path: a fuzzed name could reach a device or a pipe outside the scratch folder.)
  bool isDirectory = false;
  QueryPath(path.c_str(), &isDirectory);
  fuzz::RestoreDirectory();
  return 0;
}
