// The Win32 process's own token: its user, for the rules that tell that user from every other,
// and any other of its facts. Only Win32 calls belong in its body.
#pragma once
#include <windows.h>

/// Reads the fact `kind` of the process's token into `out` (`size` bytes), as GetTokenInformation
/// does. Returns false when the token or the fact cannot be read.
bool ReadProcessToken(TOKEN_INFORMATION_CLASS kind, void* out, DWORD size);

/// Copies the SID of the user the process's token names into `sid` (SECURITY_MAX_SID_SIZE, 68
/// bytes, is enough). Returns false when the token cannot be read.
bool ReadProcessUser(unsigned char* sid);
