// Converting between the installer's UTF-8 and Windows' UTF-16. Only Win32 calls belong here.
#include "platform/wide_text_win32.h"

#include <windows.h>

bool Utf8ToWide(const char* text, wchar_t* out, size_t count) {
  if (count == 0) return false;
  // -1: the terminator is converted too, so a length that fits counts it.
  const int converted = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, out, static_cast<int>(count));
  if (converted <= 0) {
    out[0] = L'\0';
    return false;
  }
  return true;
}

bool WideToUtf8(const wchar_t* text, char* out, size_t size) {
  if (size == 0) return false;
  const int converted =
      WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, -1, out, static_cast<int>(size), nullptr, nullptr);
  if (converted <= 0) {
    out[0] = '\0';
    return false;
  }
  return true;
}
