// How the console edition maps Windows path text onto the POSIX file system.
#pragma once
#include <stddef.h>

/// Translates the Windows-style `path` into a POSIX path in `out` of `size` bytes: every '\'
/// becomes '/', and a leading drive letter "X:" becomes the folder standing for that drive,
/// $INSTALLER_DRIVES/X (default $HOME/.local/share/installer-drives/X). Returns false when the
/// result does not fit. Sets `*bareDrive` (when given) for a path that is only "X:".
bool MapNativePath(const char* path, char* out, size_t size, bool* bareDrive);
