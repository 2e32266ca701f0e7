// How Windows reads path text: separators, drive letters, which texts are relative and which
// name nothing. Plain text rules, the same in every build, so that the console edition answers
// as Windows does.
#pragma once

/// True for '\' and '/', which Windows takes alike.
bool IsPathSeparator(char ch);

/// True when `path` begins with a drive letter and a colon ("C:", "d:\x", "E:name").
bool HasDriveLetter(const char* path);

/// True for a drive's root alone: a drive letter, a colon and one separator ("C:\", "c:/").
bool IsDriveRoot(const char* path);

/// True for a path that names a place only together with the current directory or drive: a
/// name with no drive and no leading separator ("Tovalin", "apps\Tovalin", ".."), a name right
/// after a drive letter ("D:Tovalin"), or a path from the root without a drive ("\Tovalin").
/// False for the empty text, a bare drive name ("C:"), a full path ("C:\Tovalin") and a network
/// path ("\\server\share", two separators of either kind).
bool IsRelativePath(const char* path);

/// True for a text that names nothing, whatever is on disk: the empty text, one containing '?'
/// or '*', a bare drive name ("C:"), or one ending in a separator other than a drive root's
/// ("C:\Tovalin\"). Windows' own answers differ here between versions and Wine; the installer
/// applies these rules before it asks.
bool NamesNothing(const char* path);
