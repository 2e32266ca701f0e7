// Loading the system's own DLLs at run time, by their full path in the system folder, for the
// *_win32 files that call functions the installer does not import. Only Win32 calls belong in
// its body.
#pragma once
#include <windows.h>

/// Loads the DLL `name` (ASCII, such as "shell32.dll") from the system folder by its full path,
/// so that no search takes place and no DLL of that name beside the installer can stand in for
/// it. Returns null when the path is too long or the DLL cannot be loaded. Loading one that is
/// already loaded only returns it.
HMODULE LoadSystemLibrary(const char* name);

/// The function `function` of the system DLL `name`, loaded as LoadSystemLibrary loads it; null
/// when the DLL or the function is missing (an older Windows), which the caller does without.
FARPROC SystemFunction(const char* name, const char* function);
