// A DLL planted beside an installer: when anything loads it, it leaves "<its own path>.loaded"
// beside itself, so that a scenario can tell that it was loaded, and by nothing else, since it
// exports nothing. Copied under the names of DLLs that Windows looks for in a program's folder.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t path[MAX_PATH + 8];
  const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return TRUE;
  lstrcpyW(path + length, L".loaded");
  HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
  return TRUE;
}
