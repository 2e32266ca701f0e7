// Settling the data directory that receives the product, and remembering it.
#pragma once
#include "platform/platform_types.h"

/// Size of the process-wide data directory buffer, terminator included.
enum { DataDirectorySize = 1024 };

/// The chosen data directory: 8-bit path text, at most DataDirectorySize - 1 characters, with
/// separators normalised to single backslashes.
extern char DataDirectory[DataDirectorySize];

/// Fills DataDirectory with an existing directory and makes it the current directory.
/// `instance` supplies the dialog template; `owner` (may be null) owns the dialog and every
/// message box. Returns 1 when a directory was settled, or 0 after the user gave up (the
/// "Shutting Down" message has then already been shown).
int ChooseDataDirectory(InstanceHandle instance, WindowHandle owner);
