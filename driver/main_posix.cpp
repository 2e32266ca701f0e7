// Console edition start-up: runs the program with no module instance and the same command-line
// text that Windows would hand it, rebuilt from its arguments.
#include <stdlib.h>
#include <string.h>

#include "product/exit_status.h"
#include "driver/program.h"

int main(int argc, char** argv) {
  // Each argument follows one space; one holding a blank is quoted as a whole, as launchers
  // quote it on Windows.
  size_t size = 1;
  for (int i = 1; i < argc; ++i) size += strlen(argv[i]) + 3;
  char* arguments = static_cast<char*>(malloc(size));
  if (arguments == nullptr) return ExitNoMemory;
  char* end = arguments;
  for (int i = 1; i < argc; ++i) {
    const bool quote = strpbrk(argv[i], " \t") != nullptr;
    *end++ = ' ';
    if (quote) *end++ = '"';
    end = stpcpy(end, argv[i]);
    if (quote) *end++ = '"';
  }
  *end = '\0';
  const int status = RunProgram(nullptr, arguments);
  free(arguments);
  return status;
}
