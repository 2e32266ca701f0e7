// Mapping Windows path text onto the POSIX file system for the console edition.
#include "platform/native_path.h"

#include <ctype.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

namespace {

bool IsSeparator(char ch) { return ch == '\\' || ch == '/'; }

// The folder that holds the drive folders.
bool DrivesFolder(char* out, size_t size) {
  const char* root = getenv("INSTALLER_DRIVES");
  int length;
  if (root != nullptr && root[0] != '\0') {
    length = snprintf(out, size, "%s", root);
  } else {
    const char* home = getenv("HOME");
    length = snprintf(out, size, "%s/.local/share/installer-drives", home ? home : "");
  }
  return length >= 0 && static_cast<size_t>(length) < size;
}

// The letter of the drive folder holding the current directory; C when it lies in none, as a
// process started outside any drive folder would still see C: as its drive.
char CurrentDrive(const char* drives) {
  char current[PATH_MAX];
  if (getcwd(current, sizeof current) == nullptr) return 'C';
  const size_t length = strlen(drives);
  if (strncmp(current, drives, length) != 0 || current[length] != '/') return 'C';
  const char letter = current[length + 1];
  if (isalpha(static_cast<unsigned char>(letter)) && (current[length + 2] == '/' || current[length + 2] == '\0')) {
    return static_cast<char>(toupper(static_cast<unsigned char>(letter)));
  }
  return 'C';
}

}  // namespace

bool MapNativePath(const char* path, char* out, size_t size, bool* bareDrive) {
  if (bareDrive != nullptr) *bareDrive = false;
  const char* rest = path;
  int length = 0;
  char drives[PATH_MAX];
  if (isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') {
    if (!DrivesFolder(drives, sizeof drives)) return false;
    rest = path + 2;
    if (*rest == '\0' && bareDrive != nullptr) *bareDrive = true;
    // "X:a" is relative to the drive's current directory, which is its root here.
    length = snprintf(out, size, "%s/%c%s", drives, toupper(static_cast<unsigned char>(path[0])),
                      (*rest == '\0' || IsSeparator(*rest)) ? "" : "/");
  } else if (IsSeparator(path[0]) && IsSeparator(path[1])) {
    if (!DrivesFolder(drives, sizeof drives)) return false;
    rest = path + 2;
    length = snprintf(out, size, "%s/UNC/", drives);
  } else if (IsSeparator(path[0])) {
    if (!DrivesFolder(drives, sizeof drives)) return false;
    length = snprintf(out, size, "%s/%c", drives, CurrentDrive(drives));
  }
  if (length < 0 || static_cast<size_t>(length) >= size) return false;
  size_t used = static_cast<size_t>(length);
  for (; *rest != '\0'; ++rest) {
    if (used + 1 >= size) return false;
    out[used++] = (*rest == '\\') ? '/' : *rest;
  }
  out[used] = '\0';
  return true;
}
