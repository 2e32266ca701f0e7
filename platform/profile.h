// The product's profile (ini) file: the installer's only persistent state.
#pragma once
#include <stddef.h>

/// Reads `key` of `section` in the profile file `fileName` (a bare name; the platform chooses its
/// folder) into `buffer` of `size` bytes (size >= 1), always zero-terminated and cut to fit.
/// When the file, section or key is absent, copies `fallback` (also cut to fit) instead.
/// Returns the number of characters stored, excluding the terminator.
size_t ReadProfileText(const char* fileName, const char* section, const char* key,
                       const char* fallback, char* buffer, size_t size);

/// Stores `value` under `key` of `section` in the profile file `fileName`, keeping every other
/// section, key and comment; a null `value` removes the key instead (an absent key is no
/// failure). Returns true on success; callers in the installer ignore failures.
bool WriteProfileText(const char* fileName, const char* section, const char* key, const char* value);
