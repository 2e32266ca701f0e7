// Mapping Windows path text onto the POSIX file system for the console edition.
#include "platform/native_path.h"

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

bool DriveRoot(char letter, char* out, size_t size) {
  const char* root = getenv("INSTALLER_DRIVES");
  int length;
  if (root != nullptr && root[0] != '\0') {
    length = snprintf(out, size, "%s/%c", root, toupper(static_cast<unsigned char>(letter)));
  } else {
    const char* home = getenv("HOME");
    length = snprintf(out, size, "%s/.local/share/installer-drives/%c", home ? home : "",
                      toupper(static_cast<unsigned char>(letter)));
  }
  return length >= 0 && static_cast<size_t>(length) < size;
}

}  // namespace

bool MapNativePath(const char* path, char* out, size_t size, bool* bareDrive) {
  if (bareDrive != nullptr) *bareDrive = false;
  size_t used = 0;
  const char* rest = path;
  if (isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') {
    if (!DriveRoot(path[0], out, size)) return false;
    used = strlen(out);
    rest = path + 2;
    if (*rest == '\0' && bareDrive != nullptr) *bareDrive = true;
  }
  for (; *rest != '\0'; ++rest) {
    if (used + 1 >= size) return false;
    out[used++] = (*rest == '\\') ? '/' : *rest;
  }
  if (used >= size) return false;
  out[used] = '\0';
  return true;
}
