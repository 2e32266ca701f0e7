// How Windows reads path text, the same in every build.
#include "platform/windows_path.h"

#include <string.h>

namespace {

// Drive letters are ASCII letters, whatever the locale says a letter is.
bool IsDriveLetter(char ch) {
  const char lower = static_cast<char>(ch | 0x20);
  return lower >= 'a' && lower <= 'z';
}

}  // namespace

bool IsPathSeparator(char ch) { return ch == '\\' || ch == '/'; }

bool HasDriveLetter(const char* path) { return IsDriveLetter(path[0]) && path[1] == ':'; }

bool IsDriveRoot(const char* path) {
  return HasDriveLetter(path) && IsPathSeparator(path[2]) && path[3] == '\0';
}

bool IsRelativePath(const char* path) {
  if (path[0] == '\0') return false;
  if (HasDriveLetter(path)) return path[2] != '\0' && !IsPathSeparator(path[2]);
  if (IsPathSeparator(path[0])) return !IsPathSeparator(path[1]);
  return true;
}

bool NamesNothing(const char* path) {
  const size_t length = strlen(path);
  if (length == 0 || strpbrk(path, "?*") != nullptr) return true;
  if (HasDriveLetter(path) && length == 2) return true;
  return IsPathSeparator(path[length - 1]) && !IsDriveRoot(path);
}
