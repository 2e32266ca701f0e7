// Recording stand-in for the progress and verification windows in unit tests: what it shows goes to the event log.
#include "payload/progress_window.h"
#include "tests/support/fakes.h"

namespace {
// Their addresses serve as the window handles.
int progressWindow;
int verificationWindow;

// "progress", "verification", or "progress(stray)" for a handle that is neither.
std::string WindowName(WindowHandle window) {
  if (window == &progressWindow) return "progress";
  if (window == &verificationWindow) return "verification";
  return "progress(stray)";
}
}  // namespace

WindowHandle CreateProgressWindow(InstanceHandle) {
  fake::Events().push_back("progress:create");
  return &progressWindow;
}

WindowHandle CreateVerificationWindow(InstanceHandle) {
  fake::Events().push_back("verification:create");
  return &verificationWindow;
}

void SetProgressText(WindowHandle window, const char* text) { fake::Events().push_back(WindowName(window) + ":" + text); }

// Null is ignored, as the windows' contract says.
void DestroyProgressWindow(WindowHandle window) {
  if (window != nullptr) fake::Events().push_back(WindowName(window) + ":destroy");
}
