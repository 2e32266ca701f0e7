// Reading the process token's user on Win32. Only Win32 calls belong here.
#include "platform/process_user_win32.h"

#include <string.h>

#include "platform/system_library_win32.h"

bool ReadProcessToken(TOKEN_INFORMATION_CLASS kind, void* out, DWORD size) {
  // advapi32 is looked up rather than imported, as every DLL beyond KERNEL32 and msvcrt.
  typedef BOOL(WINAPI * OpenTokenFunction)(HANDLE, DWORD, HANDLE*);
  typedef BOOL(WINAPI * TokenInformationFunction)(HANDLE, TOKEN_INFORMATION_CLASS, void*, DWORD, DWORD*);
  const auto openToken = reinterpret_cast<OpenTokenFunction>(
      reinterpret_cast<void*>(SystemFunction("advapi32.dll", "OpenProcessToken")));
  const auto tokenInformation = reinterpret_cast<TokenInformationFunction>(
      reinterpret_cast<void*>(SystemFunction("advapi32.dll", "GetTokenInformation")));
  HANDLE token = nullptr;
  if (openToken == nullptr || tokenInformation == nullptr || !openToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    return false;
  }
  DWORD needed = 0;
  const BOOL read = tokenInformation(token, kind, out, size, &needed);
  CloseHandle(token);
  return read != FALSE;
}

bool ReadProcessUser(unsigned char* sid) {
  // TOKEN_USER: a pointer to the SID, and the SID after it.
  alignas(8) unsigned char user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  if (!ReadProcessToken(TokenUser, user, sizeof user)) return false;
  const unsigned char* found = static_cast<const unsigned char*>(reinterpret_cast<TOKEN_USER*>(user)->User.Sid);
  const size_t length = 8 + 4 * static_cast<size_t>(found[1]);
  if (length > SECURITY_MAX_SID_SIZE) return false;
  memcpy(sid, found, length);
  return true;
}
