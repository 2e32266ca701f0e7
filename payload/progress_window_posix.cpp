// Console stand-in for the progress window. Only POSIX calls belong here.
#include "payload/progress_window.h"

WindowHandle CreateProgressWindow(InstanceHandle) { return nullptr; }
void ShowPercent(void*, const char*, int) {}
void DestroyProgressWindow(WindowHandle) {}
