// How the console edition maps Windows path text onto the POSIX file system.
#pragma once
#include <stddef.h>

/// Translates the Windows-style `path` into a POSIX path in `out` of `size` bytes, every '\'
/// becoming '/'. The drives live in one folder, $INSTALLER_DRIVES (default
/// $HOME/.local/share/installer-drives), which holds a folder per drive letter and UNC for
/// network shares:
///   "X:\a" and "X:a" -> <drives>/X/a (a drive's own current directory is taken as its root);
///   "\\server\share\a" -> <drives>/UNC/server/share/a;
///   "\a" -> <drives>/D/a, where D is the drive whose folder holds the current directory, or C;
///   a relative path stays relative to the current directory.
/// Returns false when the result does not fit. Sets `*bareDrive` (when given) for "X:" alone.
bool MapNativePath(const char* path, char* out, size_t size, bool* bareDrive);
