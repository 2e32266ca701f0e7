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

void ShowPercent(void* context, const char*, int percent) {
  if (context != &progressWindow) {
    fake::Events().push_back("percent(stray):" + std::to_string(percent));
    return;
  }
  fake::Events().push_back("percent:" + std::to_string(percent));
  char text[32];
  FormatPercentText(text, sizeof text, percent);
  percentTexts.push_back(text);
}

void DestroyProgressWindow(WindowHandle window) {
  fake::Events().push_back(window == &progressWindow ? "progress:destroy" : "progress:destroy(stray)");
}
