// The desktop's top-level windows on Win32. Only Win32 calls belong here.
#include <windows.h>
#include <string.h>

#include "platform/wide_text_win32.h"
#include "shell/desktop_windows.h"

namespace {

struct Visit {
  WindowVisitor visitor;
  void* context;
  DWORD ownProcess;
};

BOOL CALLBACK VisitWindow(HWND window, LPARAM parameter) {
  const Visit* visit = reinterpret_cast<const Visit*>(parameter);
  // The installer's own windows (its progress window, its message boxes) are not running copies
  // of the product, whatever their captions say.
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == visit->ownProcess) return TRUE;
  return visit->visitor(window, visit->context) != 0 ? TRUE : FALSE;
}

}  // namespace

void EnumerateTopLevelWindows(WindowVisitor visitor, void* context) {
  Visit visit = {visitor, context, GetCurrentProcessId()};
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
