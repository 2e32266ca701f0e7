// Environment variables, looked up without regard to the case of their names, and the machine's
// Program Files folder.
#pragma once
#include <stddef.h>

/// Copies the value of environment variable `name` (matched case-insensitively) into `buffer`
/// of `size` bytes (size >= 1). Returns false, leaving `buffer` empty, when the variable is
/// absent. A value that does not fit is not cut: the call reports it absent and sets
/// `*tooLong` (when given) so the caller can tell the difference.
bool ReadEnvironmentText(const char* name, char* buffer, size_t size, bool* tooLong);

/// Copies the path of the Program Files folder of the program's own architecture into `out` of
/// `size` bytes, as UTF-8: on Windows the known folder FOLDERID_ProgramFiles (for a 32-bit
/// program on 64-bit Windows that is "Program Files (x86)"); in the console edition
/// "C:\Program Files". Returns false, leaving `out` empty, when there is none or it does not fit.
bool ProgramFilesFolder(char* out, size_t size);
