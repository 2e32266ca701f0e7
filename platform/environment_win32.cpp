// Environment variables on Win32, whose names are case-insensitive; values come as UTF-16 and are
// handed on as UTF-8. Only Win32 calls belong here.
#include <windows.h>
#include <stdlib.h>

#include "platform/environment.h"
#include "platform/system_library_win32.h"
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

bool ProgramFilesFolder(char* out, size_t size) {
  out[0] = '\0';
  // shell32 and ole32 are looked up rather than imported, as every DLL beyond KERNEL32 and msvcrt.
  typedef HRESULT(WINAPI * KnownFolderFunction)(const GUID&, DWORD, HANDLE, wchar_t**);
  typedef void(WINAPI * FreeFunction)(void*);
  const auto knownFolder = reinterpret_cast<KnownFolderFunction>(
      reinterpret_cast<void*>(SystemFunction("shell32.dll", "SHGetKnownFolderPath")));
  const auto freeText = reinterpret_cast<FreeFunction>(reinterpret_cast<void*>(SystemFunction("ole32.dll", "CoTaskMemFree")));
  if (knownFolder == nullptr || freeText == nullptr) return false;
  // FOLDERID_ProgramFiles, {905E63B6-C1BF-494E-B29C-65B732D3D21A}.
  static const GUID kProgramFiles = {0x905E63B6, 0xC1BF, 0x494E, {0xB2, 0x9C, 0x65, 0xB7, 0x32, 0xD3, 0xD2, 0x1A}};
  wchar_t* path = nullptr;
  const bool found = knownFolder(kProgramFiles, 0, nullptr, &path) == S_OK && path != nullptr;
  const bool converted = found && WideToUtf8(path, out, size);
  freeText(path);
  if (!converted) out[0] = '\0';
  return converted;
}
