// Environment variables on Win32, whose names are case-insensitive. Only Win32 calls belong here.
#include <windows.h>

#include "platform/environment.h"

bool ReadEnvironmentText(const char* name, char* buffer, size_t size, bool* tooLong) {
  if (tooLong != nullptr) *tooLong = false;
  buffer[0] = '\0';
  SetLastError(0);
  DWORD length = GetEnvironmentVariableA(name, buffer, static_cast<DWORD>(size));
  if (length == 0) {
    buffer[0] = '\0';
    // An empty value is present; only ERROR_ENVVAR_NOT_FOUND means absent.
    return GetLastError() != ERROR_ENVVAR_NOT_FOUND;
  }
  if (length >= size) {
    buffer[0] = '\0';
    if (tooLong != nullptr) *tooLong = true;
    return false;
  }
  return true;
}
