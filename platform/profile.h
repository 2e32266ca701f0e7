// The product's profile (ini) file: the installer's only persistent state.
#pragma once
#include <stddef.h>

/// Reads `key` of `section` in the profile file `fileName` (a bare name, whose folder the platform
/// chooses, or a full path from UserProfileFile) into `buffer` of `size` bytes (size >= 1) as
/// UTF-8, zero-terminated. When the file,
/// section or key is absent, copies `fallback` instead. Returns true with the text; false, with
/// `buffer` empty, when the text (stored or fallback) does not fit: it is never cut, since a path
/// cut short could name another directory.
bool ReadProfileText(const char* fileName, const char* section, const char* key, const char* fallback,
                     char* buffer, size_t size);

/// Stores `value` (UTF-8) under `key` of `section` in the profile file `fileName`, keeping every
/// other section, key and comment; a null `value` removes the key instead (an absent key is no
/// failure). Returns true on success; callers in the installer ignore failures. On Windows a file
/// of ASCII texts stays in the system's 8-bit code page, byte for byte as the ANSI profile
/// functions write it; a value outside ASCII makes the file UTF-16 (with its byte-order mark,
/// which the profile functions keep to), so that it reads back exactly.
bool WriteProfileText(const char* fileName, const char* section, const char* key, const char* value);

/// The profile file of an installation for one user, as a full path in `out` of `size` bytes:
/// `fileName` in that user's local application data folder (%LOCALAPPDATA%), which the user may
/// write, unlike the Windows folder, and which does not roam to other machines, where the product
/// is not installed. Returns false, with `out` empty, when the user has no such folder or the path
/// does not fit. The console edition keeps every profile in its one profile folder: there it is
/// `fileName` itself.
bool UserProfileFile(const char* fileName, char* out, size_t size);
