// The desktop's top-level windows on Win32. Only Win32 calls belong here.
#include <windows.h>
#include <string.h>
#include <wchar.h>

#include "platform/wide_text_win32.h"
#include "shell/desktop_windows.h"

namespace {

struct Visit {
  WindowVisitor visitor;
  void* context;
  DWORD ownProcess;
  DWORD shellProcess;  // 0 when no shell runs
};

// The classes of the shell's folder windows: Explorer's (CabinetWClass; ExploreWClass with the
// folder tree of older Windows) and Wine's (ExplorerWClass). Explorer may open them in a process
// of their own, apart from the desktop's.
bool IsFolderWindow(HWND window) {
  wchar_t name[32];
  if (GetClassNameW(window, name, sizeof name / sizeof name[0]) == 0) return false;
  return wcscmp(name, L"CabinetWClass") == 0 || wcscmp(name, L"ExploreWClass") == 0 ||
         wcscmp(name, L"ExplorerWClass") == 0;
}

BOOL CALLBACK VisitWindow(HWND window, LPARAM parameter) {
  const Visit* visit = reinterpret_cast<const Visit*>(parameter);
  // The installer's own windows (its progress window, its message boxes) are not running copies
  // of the product, whatever their captions say. Nor are the shell's: the folder window that
  // shows the product's group is titled with the group's name, which usually begins with the
  // product's title, and a quit request posted to it would end the thread of the shell that
  // serves every folder window of the desktop.
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == visit->ownProcess || (visit->shellProcess != 0 && process == visit->shellProcess)) return TRUE;
  if (IsFolderWindow(window)) return TRUE;
  return visit->visitor(window, visit->context) != 0 ? TRUE : FALSE;
}

}  // namespace

void EnumerateTopLevelWindows(WindowVisitor visitor, void* context) {
  // The desktop's process: the one that owns the shell's window (the desktop of Explorer, or of
  // Wine's explorer.exe); none when no shell runs (a service's session).
  DWORD shellProcess = 0;
  if (HWND shell = GetShellWindow()) GetWindowThreadProcessId(shell, &shellProcess);
  Visit visit = {visitor, context, GetCurrentProcessId(), shellProcess};
  EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&visit));
}

void ReadWindowTitle(WindowHandle window, char* buffer, size_t size) {
  buffer[0] = '\0';
  // A title of `size` - 1 characters at most, as the portable rule reads it; as UTF-8 it may
  // need up to three bytes a character, and one that does not fit the buffer is cut at the last
  // whole character, so that the prefix compared is still text. GetWindowTextW may leave the
  // buffer untouched when the window has gone meanwhile.
  enum { kMostCharacters = 256 };
  wchar_t title[kMostCharacters];
  title[0] = L'\0';
  const int count = size < kMostCharacters ? static_cast<int>(size) : kMostCharacters;
  GetWindowTextW(static_cast<HWND>(window), title, count);
  for (int length = static_cast<int>(wcslen(title)); length > 0 && !WideToUtf8(title, buffer, size); --length) {
    // A pair of surrogates is cut whole.
    if (length >= 2 && title[length - 1] >= 0xDC00 && title[length - 1] <= 0xDFFF) --length;
    title[length - 1] = L'\0';
  }
}

void PostQuitRequest(WindowHandle window) { PostMessageW(static_cast<HWND>(window), WM_QUIT, 0, 0); }
