// Fuzzes ArgumentsOf and ParseCommandLine, which read a command line anyone can write, against
// what they promise: no read outside the text, terminated results in their buffers, and a /D=
// taken only when it is a full path free of the characters Windows refuses.
#include <stdlib.h>
#include <string.h>

#include <string>

#include "driver/command_line.h"
#include "platform/windows_path.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input input = {data, size};
  const unsigned accepted = input.Byte() & (kOptionSilent | kOptionStartup | kOptionDirectory);
  // An exactly sized heap copy, so a read past the terminator is an ASan report.
  const std::string text = input.Text(0, 4096);
  char* commandLine = static_cast<char*>(malloc(text.size() + 1));
  memcpy(commandLine, text.c_str(), text.size() + 1);

  const char* arguments = ArgumentsOf(commandLine);
  if (arguments < commandLine || arguments > commandLine + text.size()) abort();
  CommandLineOptions options;
  const CommandLineVerdict verdict = ParseCommandLine(arguments, accepted, &options);
  if (verdict != CommandLineAccepted && verdict != CommandLineUnknownOption && verdict != CommandLineBadDirectory) {
    abort();
  }
  if (memchr(options.directory, 0, sizeof options.directory) == nullptr) abort();
  if (memchr(options.refused, 0, sizeof options.refused) == nullptr) abort();
  // An acceptance refuses nothing.
  if (verdict == CommandLineAccepted && options.refused[0] != '\0') abort();
  // Only the options asked for are ever set.
  if ((options.silent && !(accepted & kOptionSilent)) || (options.startup && !(accepted & kOptionStartup)) ||
      (options.hasDirectory && !(accepted & kOptionDirectory))) {
    abort();
  }
  if (options.hasDirectory) {
    const char* directory = options.directory;
    if (!HasDriveLetter(directory) || !IsPathSeparator(directory[2]) || strpbrk(directory + 2, "<>:\"|?*") != nullptr) {
      abort();
    }
    for (const char* p = directory; *p != '\0'; ++p) {
      if (static_cast<unsigned char>(*p) < 0x20) abort();
    }
  } else if (options.directory[0] != '\0') {
    abort();
  }
  free(commandLine);
  return 0;
}
