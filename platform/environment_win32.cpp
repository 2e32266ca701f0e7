// Environment variables on Win32, whose names are case-insensitive; values come as UTF-16 and are
// handed on as UTF-8. Only Win32 calls belong here.
#include <windows.h>
#include <stdlib.h>

#include "platform/environment.h"
#include "platform/wide_text_win32.h"

namespace {

// Variable names are short ASCII words ("HOMEPATH").
enum { kNameSize = 64 };

}  // namespace

bool ReadEnvironmentText(const char* name, char* buffer, size_t size, bool* tooLong) {
  if (tooLong != nullptr) *tooLong = false;
  buffer[0] = '\0';
  wchar_t wideName[kNameSize];
  if (!Utf8ToWide(name, wideName, kNameSize)) return false;
  // A value that fits in `size` bytes of UTF-8 fits in `size` wide characters; one that does
  // not fit there cannot fit in the buffer either.
  wchar_t* value = static_cast<wchar_t*>(malloc(size * sizeof(wchar_t)));
  if (value == nullptr) return false;
  SetLastError(0);
  const DWORD length = GetEnvironmentVariableW(wideName, value, static_cast<DWORD>(size));
  bool present;
  if (length == 0) {
    // An empty value is present; only ERROR_ENVVAR_NOT_FOUND means absent.
    present = GetLastError() != ERROR_ENVVAR_NOT_FOUND;
  } else if (length >= size || !WideToUtf8(value, buffer, size)) {
    // Too long for the buffer once in UTF-8 (or not text at all): never cut.
    if (tooLong != nullptr) *tooLong = true;
    present = false;
  } else {
    present = true;
  }
  free(value);
  if (!present) buffer[0] = '\0';
  return present;
}
