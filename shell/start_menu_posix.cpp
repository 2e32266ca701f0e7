// The console edition's stand-in for the Start menu: a folder "start-menu" in the profile folder
// holds "Programs" and "Startup", and a shortcut is a text file "<name>.lnk" of two lines, the
// target and the working directory (Windows paths, as the installer names them). The console
// edition has one user, so the user's Start menu and all users' are the same folder. Only POSIX
// calls belong here.
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/user_folders_posix.h"
#include "shell/start_menu.h"

namespace {

const char* const kFolderNames[] = {"Programs", "Startup"};

// The folder of `folder` (and of the group, when there is one) into `path`. False when there is
// no profile folder, a name would name another folder, or the path does not fit.
bool GroupFolder(StartMenuFolder folder, const char* group, char* path, size_t size) {
  if (group != nullptr && (strchr(group, '/') != nullptr || strcmp(group, "..") == 0 || strcmp(group, ".") == 0)) {
    return false;
  }
  char config[PATH_MAX];
  if (!ConfigFolder(config, sizeof config)) return false;
  const int length = group != nullptr ? snprintf(path, size, "%s/start-menu/%s/%s", config, kFolderNames[folder], group)
                                      : snprintf(path, size, "%s/start-menu/%s", config, kFolderNames[folder]);
  return length >= 0 && static_cast<size_t>(length) < size;
}

bool ItemPath(StartMenuFolder folder, const char* group, const char* name, char* path, size_t size) {
  char parent[PATH_MAX];
  if (strchr(name, '/') != nullptr || !GroupFolder(folder, group, parent, sizeof parent)) return false;
  const int length = snprintf(path, size, "%s/%s.lnk", parent, name);
  return length >= 0 && static_cast<size_t>(length) < size;
}

}  // namespace

bool StartMenuItemExists(StartMenuFolder folder, const char* group, const char* name) {
  char path[PATH_MAX];
  return ItemPath(folder, group, name, path, sizeof path) && access(path, F_OK) == 0;
}

bool MakeStartMenuItem(StartMenuFolder folder, bool, const char* group, const char* name, const char* target,
                       const char* workingDirectory) {
  char config[PATH_MAX];
  char parent[PATH_MAX];
  char path[PATH_MAX];
  if (!ConfigFolder(config, sizeof config) || !GroupFolder(folder, group, parent, sizeof parent) ||
      !ItemPath(folder, group, name, path, sizeof path)) {
    return false;
  }
  // Each level from the profile folder down, each there already or made now; none is longer than
  // `parent`, which fits.
  char level[PATH_MAX + 32];
  snprintf(level, sizeof level, "%s/start-menu", config);
  mkdir(level, 0755);
  snprintf(level, sizeof level, "%s/start-menu/%s", config, kFolderNames[folder]);
  mkdir(level, 0755);
  if (group != nullptr) mkdir(parent, 0755);
  FILE* file = fopen(path, "w");
  if (file == nullptr) return false;
  const bool written = fprintf(file, "%s\n%s\n", target, workingDirectory) > 0;
  return fclose(file) == 0 && written;
}

void MoveStartMenuItemToAllUsers(StartMenuFolder, const char*, const char*) {}

void DeleteStartMenuItem(StartMenuFolder folder, const char* group, const char* name) {
  char path[PATH_MAX];
  if (ItemPath(folder, group, name, path, sizeof path)) unlink(path);
  char parent[PATH_MAX];
  if (group != nullptr && GroupFolder(folder, group, parent, sizeof parent)) rmdir(parent);
}
