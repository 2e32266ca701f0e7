// Recording stand-in for the progress window in unit tests: what it shows goes to the event log.
#include "payload/progress_window.h"
#include "tests/support/fakes.h"

namespace {
int progressWindow;  // its address serves as the window handle
}  // namespace

WindowHandle CreateProgressWindow(InstanceHandle) {
  fake::Events().push_back("progress:create");
  return &progressWindow;
}

void SetProgressText(WindowHandle window, const char* text) {
  fake::Events().push_back(std::string(window == &progressWindow ? "progress:" : "progress(stray):") + text);
}

void DestroyProgressWindow(WindowHandle window) {
  fake::Events().push_back(window == &progressWindow ? "progress:destroy" : "progress:destroy(stray)");
}
