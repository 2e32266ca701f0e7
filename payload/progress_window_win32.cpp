// The progress window on Win32. Only Win32 calls belong here.
#include "payload/progress_window.h"

#include <windows.h>

WindowHandle CreateProgressWindow(InstanceHandle) { return nullptr; }
void ShowPercent(void*, const char*, int) {}
void DestroyProgressWindow(WindowHandle window) {
  if (window != nullptr) DestroyWindow(static_cast<HWND>(window));
}
