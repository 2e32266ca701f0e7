// The console edition's folders from the environment. Only POSIX calls belong here.
#include "platform/user_folders_posix.h"

#include <stdio.h>
#include <stdlib.h>

namespace {

// The value of environment variable `name` when it is an absolute path, else null.
const char* AbsolutePathIn(const char* name) {
  const char* value = getenv(name);
  return value != nullptr && value[0] == '/' ? value : nullptr;
}

// Writes `folder` followed by `below` into `out`. False, with `out` empty, when there is no
// folder or the whole does not fit: a folder that is named is never traded for another.
bool Compose(const char* folder, const char* below, char* out, size_t size) {
  const int length = folder != nullptr ? snprintf(out, size, "%s%s", folder, below) : -1;
  if (length >= 0 && static_cast<size_t>(length) < size) return true;
  if (size > 0) out[0] = '\0';
  return false;
}

}  // namespace

bool ConfigFolder(char* out, size_t size) {
  if (const char* config = AbsolutePathIn("XDG_CONFIG_HOME")) return Compose(config, "", out, size);
  return Compose(AbsolutePathIn("HOME"), "/.config", out, size);
}

bool RuntimeFolder(char* out, size_t size) {
  if (const char* runtime = AbsolutePathIn("XDG_RUNTIME_DIR")) return Compose(runtime, "", out, size);
  return ConfigFolder(out, size);
}

bool DrivesFolder(char* out, size_t size) {
  if (const char* drives = AbsolutePathIn("INSTALLER_DRIVES")) return Compose(drives, "", out, size);
  return Compose(AbsolutePathIn("HOME"), "/.local/share/installer-drives", out, size);
}
