// Mapping Windows path text onto the POSIX file system for the console edition, and back.
// Only POSIX calls belong here.
#include "platform/native_path.h"

#include <ctype.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "platform/user_folders_posix.h"
#include "platform/windows_path.h"

namespace {

// The current directory's Windows name, "X:\dir..." (or "X:\" for a drive folder itself), when
// it lies in the folder of drive X under `drives`. False when it lies in none.
bool CurrentWindowsDirectory(const char* drives, std::string* name) {
  char current[PATH_MAX];
  char folder[PATH_MAX];
  if (getcwd(current, sizeof current) == nullptr) return false;
  // getcwd names the directory without symbolic links; so must the drives folder compared with it.
  if (realpath(drives, folder) == nullptr) snprintf(folder, sizeof folder, "%s", drives);
  const size_t length = strlen(folder);
  if (strncmp(current, folder, length) != 0 || current[length] != '/') return false;
  const char* drive = current + length + 1;
  const char letter = drive[0];
  if (!isalpha(static_cast<unsigned char>(letter)) || (drive[1] != '/' && drive[1] != '\0')) return false;
  *name = std::string(1, static_cast<char>(toupper(static_cast<unsigned char>(letter)))) + ":\\";
  for (const char* rest = drive[1] == '/' ? drive + 2 : drive + 1; *rest != '\0'; ++rest) {
    name->push_back(*rest == '/' ? '\\' : *rest);
  }
  return true;
}

// The letter of the drive folder holding the current directory; C when it lies in none, as a
// process started outside any drive folder would still see C: as its drive.
char CurrentDrive(const char* drives) {
  std::string current;
  return CurrentWindowsDirectory(drives, &current) ? current[0] : 'C';
}

// Appends the names of `rest` to the full path `path` ("X:" then "\name" per directory) the way
// Windows resolves them. Returns whether `rest` ends as a directory named with a trailing
// separator.
bool AppendNames(const char* rest, std::string* path) {
  bool trailing = false;
  while (*rest != '\0') {
    while (IsPathSeparator(*rest)) ++rest;
    const char* end = rest;
    while (*end != '\0' && !IsPathSeparator(*end)) ++end;
    if (end == rest) break;
    std::string name(rest, end);
    const bool last = *end == '\0';
    trailing = !last;
    rest = end;
    if (name == ".") continue;
    if (name == "..") {
      const size_t cut = path->rfind('\\');
      if (cut != std::string::npos) path->resize(cut);
      continue;
    }
    if (last) {
      // Windows drops trailing dots and spaces of the last name; of a name of dots alone nothing
      // is left, and the path ends at the directory before it, with its separator.
      while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
      if (name.empty()) {
        trailing = true;
        break;
      }
    } else if (name.back() == '.') {
      name.pop_back();  // and one trailing dot of every name before it
    }
    *path += "\\" + name;
  }
  return trailing;
}

}  // namespace

bool MapNativePath(const char* path, char* out, size_t size, bool* bareDrive) {
  if (bareDrive != nullptr) *bareDrive = false;
  const char* rest = path;
  int length = 0;
  char drives[PATH_MAX];
  if (HasDriveLetter(path)) {
    if (!DrivesFolder(drives, sizeof drives)) return false;
    rest = path + 2;
    if (*rest == '\0' && bareDrive != nullptr) *bareDrive = true;
    const char letter = static_cast<char>(toupper(static_cast<unsigned char>(path[0])));
    const bool driveRelative = *rest != '\0' && !IsPathSeparator(*rest);
    std::string current;
    if (!(driveRelative && CurrentWindowsDirectory(drives, &current) && current[0] == letter)) {
      // "X:a" names a directory of the drive's own current directory, here its root.
      length = snprintf(out, size, "%s/%c%s", drives, letter, driveRelative ? "/" : "");
    }
  } else if (IsPathSeparator(path[0]) && IsPathSeparator(path[1])) {
    if (!DrivesFolder(drives, sizeof drives)) return false;
    rest = path + 2;
    length = snprintf(out, size, "%s/UNC/", drives);
  } else if (IsPathSeparator(path[0])) {
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

bool FullWindowsPath(const char* path, char* out, size_t size) {
  if (size > 0) out[0] = '\0';
  char drives[PATH_MAX];
  if (!IsRelativePath(path) || !DrivesFolder(drives, sizeof drives)) return false;
  std::string current;
  const bool inDrive = CurrentWindowsDirectory(drives, &current);
  std::string full;
  const char* rest = path;
  if (HasDriveLetter(path)) {
    const char letter = static_cast<char>(toupper(static_cast<unsigned char>(path[0])));
    full = inDrive && current[0] == letter ? current : std::string(1, letter) + ":";
    rest = path + 2;
  } else if (IsPathSeparator(path[0])) {
    full = std::string(1, inDrive ? current[0] : 'C') + ":";
  } else {
    if (!inDrive) return false;
    full = current;
  }
  // From here `full` is "X:" followed by "\name" per directory, without a trailing separator.
  if (full.size() == 3) full.resize(2);
  const bool trailing = AppendNames(rest, &full);
  if (full.size() == 2 || trailing) full += "\\";
  if (full.size() >= size) return false;
  memcpy(out, full.c_str(), full.size() + 1);
  return true;
}
