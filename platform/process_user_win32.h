// The user a Win32 process runs as, for the rules that tell that user from every other. Only
// Win32 calls belong in its body.
#pragma once

/// Copies the SID of the user the process's token names into `sid` (SECURITY_MAX_SID_SIZE, 68
/// bytes, is enough). Returns false when the token cannot be read.
bool ReadProcessUser(unsigned char* sid);
