// Where the Windows installer programs let the system look for DLLs: never in the folder the
// installer was started from.
#pragma once

/// Restricts every later DLL load of the process (run-time loads, and the imports of DLLs loaded
/// at run time) to the system folder, where the system offers that (Windows 8, and Windows 7 and
/// Vista with update KB2533623); on older systems it at least takes the current directory out of
/// the search. Call it first thing at the entry point, before anything can load a DLL. It cannot
/// fail in a way that matters: what the system lacks is skipped.
void RestrictDllSearchToSystemFolder();
