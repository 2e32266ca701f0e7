// The profile file through the Windows profile functions. Only Win32 calls belong here.
#include <windows.h>

#include "platform/profile.h"

size_t ReadProfileText(const char* fileName, const char* section, const char* key,
                       const char* fallback, char* buffer, size_t size) {
  return GetPrivateProfileStringA(section, key, fallback, buffer, static_cast<DWORD>(size), fileName);
}

bool WriteProfileText(const char* fileName, const char* section, const char* key, const char* value) {
  return WritePrivateProfileStringA(section, key, value, fileName) != 0;
}
