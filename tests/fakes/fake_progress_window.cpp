// Recording stand-in for the progress window in unit tests.
#include "tests/fakes/fake_progress_window.h"

#include "payload/progress_window.h"
#include "tests/fakes/fake_platform.h"

namespace {
int progressWindow;  // its address serves as the window handle
std::vector<std::string> percentTexts;
}  // namespace

const std::vector<std::string>& fake::ProgressTexts() { return percentTexts; }

WindowHandle CreateProgressWindow(InstanceHandle) {
  fake::Events().push_back("progress:create");
  percentTexts = {"Percent Complete:   0%"};
  return &progressWindow;
}

void SetProgressText(WindowHandle window, const char* text) {
  if (window != &progressWindow) {
    fake::Events().push_back(std::string("progress(stray):") + text);
    return;
  }
  fake::Events().push_back(std::string("progress:") + text);
  percentTexts.push_back(text);
}

void DestroyProgressWindow(WindowHandle window) {
  fake::Events().push_back(window == &progressWindow ? "progress:destroy" : "progress:destroy(stray)");
}
