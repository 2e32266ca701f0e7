// Recording stand-in for the progress window in unit tests.
#include "payload/progress_window.h"
#include "tests/fakes/fake_platform.h"

namespace {
int progressWindow;  // its address serves as the window handle
}

WindowHandle CreateProgressWindow(InstanceHandle) {
  fake::Events().push_back("progress:create");
  return &progressWindow;
}

void ShowPercent(void* context, const char*, int percent) {
  fake::Events().push_back(std::string(context == &progressWindow ? "percent:" : "percent(stray):") +
                           std::to_string(percent));
}

void DestroyProgressWindow(WindowHandle window) {
  fake::Events().push_back(window == &progressWindow ? "progress:destroy" : "progress:destroy(stray)");
}
