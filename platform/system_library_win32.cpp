// Loading the system's own DLLs by their full path. Only Win32 calls belong here.
#include "platform/system_library_win32.h"

HMODULE LoadSystemLibrary(const char* name) {
  wchar_t path[MAX_PATH + 64];
  UINT length = GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  path[length++] = L'\\';
  // DLL names are plain ASCII.
  while (*name != '\0' && length < MAX_PATH + 63) path[length++] = static_cast<wchar_t>(*name++);
  path[length] = L'\0';
  return LoadLibraryW(path);
}

FARPROC SystemFunction(const char* name, const char* function) {
  HMODULE module = LoadSystemLibrary(name);
  return module != nullptr ? GetProcAddress(module, function) : nullptr;
}
