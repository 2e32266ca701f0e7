// How the console edition maps Windows path text onto the POSIX file system, and back.
#pragma once
#include <stddef.h>

/// Translates the Windows-style `path` into a POSIX path in `out` of `size` bytes, every '\'
/// becoming '/'. The drives live in one folder (DrivesFolder), which holds a folder per drive
/// letter and UNC for network shares:
///   "X:\a" -> <drives>/X/a;
///   "X:a" -> a relative to the current directory when that lies in drive folder X, else
///            <drives>/X/a (a drive's own current directory is taken as its root);
///   "\\server\share\a" -> <drives>/UNC/server/share/a;
///   "\a" -> <drives>/D/a, where D is the drive whose folder holds the current directory, or C
///           when it lies in none (a process outside every drive folder is taken to be on C:);
///   a relative path stays relative to the current directory.
/// Returns false when the result does not fit, or names a drive and there is no drives folder.
/// Sets `*bareDrive` (when given) for "X:" alone.
bool MapNativePath(const char* path, char* out, size_t size, bool* bareDrive);

/// The console edition's GetFullPathName, for a relative Windows `path` (see IsRelativePath):
/// "name" joins the current directory's Windows name ("X:\dir" for the folder <drives>/X/dir);
/// "X:name" joins drive X's current directory, the process's own when it lies in drive folder
/// X, else X's root; "\name" joins the root of the current drive (C outside every drive
/// folder, as for MapNativePath). Then every run of separators becomes one '\', "." and ".."
/// are resolved (never above the root), the last name loses its trailing dots and spaces and
/// every other name one trailing dot, as Windows does, and a trailing separator stays. Returns
/// false, with `out` empty, when the result does not fit in `size` bytes, or when `path` joins
/// the current directory and that lies outside every drive folder: such a directory has no
/// Windows name, and resolving against any other would name a directory the user did not mean.
bool FullWindowsPath(const char* path, char* out, size_t size);
