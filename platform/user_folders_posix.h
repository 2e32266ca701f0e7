// The console edition's folders, each named by the environment. One rule for all of them, that
// of the XDG base directories: a variable counts only when it holds an absolute path, and a
// folder with no such variable behind it does not exist.
#pragma once
#include <stddef.h>

/// The profile folder: $XDG_CONFIG_HOME, else $HOME/.config.
bool ConfigFolder(char* out, size_t size);

/// The folder of the stand-in shell's socket: $XDG_RUNTIME_DIR, else the profile folder.
bool RuntimeFolder(char* out, size_t size);

/// The folder holding a folder per drive letter: $INSTALLER_DRIVES, else
/// $HOME/.local/share/installer-drives.
bool DrivesFolder(char* out, size_t size);

// Each writes the folder into `out` of `size` bytes and returns true. Each returns false, with
// `out` empty, when no absolute folder is named, or when the one named does not fit: the next
// choice is taken only for a variable that is absent or not absolute.
