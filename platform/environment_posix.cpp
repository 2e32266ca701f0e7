// Environment variables on POSIX, looked up as Windows does: names without regard to case.
#include <string.h>
#include <strings.h>

#include "platform/environment.h"

extern char** environ;

bool ReadEnvironmentText(const char* name, char* buffer, size_t size, bool* tooLong) {
  if (tooLong != nullptr) *tooLong = false;
  buffer[0] = '\0';
  const size_t nameLength = strlen(name);
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    if (strncasecmp(*entry, name, nameLength) != 0 || (*entry)[nameLength] != '=') continue;
    const char* value = *entry + nameLength + 1;
    const size_t length = strlen(value);
    if (length >= size) {
      if (tooLong != nullptr) *tooLong = true;
      return false;
    }
    memcpy(buffer, value, length + 1);
    return true;
  }
  return false;
}

bool ProgramFilesFolder(char* out, size_t size) {
  const char folder[] = "C:\\Program Files";
  if (size < sizeof folder) {
    if (size > 0) out[0] = '\0';
    return false;
  }
  memcpy(out, folder, sizeof folder);
  return true;
}
