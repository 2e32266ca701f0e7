// Environment variables, looked up without regard to the case of their names.
#pragma once
#include <stddef.h>

/// Copies the value of environment variable `name` (matched case-insensitively) into `buffer`
/// of `size` bytes (size >= 1). Returns false, leaving `buffer` empty, when the variable is
/// absent. A value that does not fit is not cut: the call reports it absent and sets
/// `*tooLong` (when given) so the caller can tell the difference.
bool ReadEnvironmentText(const char* name, char* buffer, size_t size, bool* tooLong);
