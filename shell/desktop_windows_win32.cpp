// The desktop's top-level windows on Win32. Only Win32 calls belong here.
#include <windows.h>

#include "shell/desktop_windows.h"

namespace {

struct Visit {
  WindowVisitor visitor;
  void* context;
};

BOOL CALLBACK VisitWindow(HWND window, LPARAM parameter) {
  const Visit* visit = reinterpret_cast<const Visit*>(parameter);
  return visit->visitor(window, visit->context) != 0 ? TRUE : FALSE;
}

}  // namespace

void EnumerateTopLevelWindows(WindowVisitor visitor, void* context) {
  Visit visit = {visitor, context};
  EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&visit));
}

void ReadWindowTitle(WindowHandle window, char* buffer, size_t size) {
  // GetWindowTextA may leave the buffer untouched when the window has gone meanwhile.
  buffer[0] = '\0';
  GetWindowTextA(static_cast<HWND>(window), buffer, static_cast<int>(size));
}

void PostQuitRequest(WindowHandle window) { PostMessageA(static_cast<HWND>(window), WM_QUIT, 0, 0); }
