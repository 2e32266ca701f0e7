// Recording stand-in for the progress window in unit tests.
#include "payload/progress_window.h"
#include "tests/support/expected_texts.h"
#include "tests/support/fakes.h"

namespace {
int progressWindow;  // its address serves as the window handle
std::vector<std::string> percentTexts;
}  // namespace

void fake::ResetProgressWindow() { percentTexts.clear(); }
const std::vector<std::string>& fake::ProgressTexts() { return percentTexts; }

WindowHandle CreateProgressWindow(InstanceHandle) {
  fake::Events().push_back("progress:create");
  percentTexts = {expected::kInitialPercentText};  // what the template shows before any update
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
