// Console stand-in for the desktop's windows: a console has no top-level windows, so there is
// never a running copy to find and nothing to ask to quit. Only POSIX calls belong here.
#include "shell/desktop_windows.h"

void EnumerateTopLevelWindows(WindowVisitor, void*) {}

void ReadWindowTitle(WindowHandle, char* buffer, size_t) { buffer[0] = '\0'; }

void PostQuitRequest(WindowHandle) {}
