// Scripted stand-in for the directory dialog in unit tests.
#include <stdio.h>

#include <deque>

#include "datadir/directory_dialog.h"
#include "tests/support/fakes.h"

namespace fake {
namespace {

enum class Press { kOk, kTypeAndOk, kCancel, kCannotShow };
struct Step {
  Press press;
  std::string text;
};

std::deque<Step> script;
std::vector<std::string> proposals;
const void* lastOwner = nullptr;

}  // namespace

void ResetDialog() {
  script.clear();
  proposals.clear();
  lastOwner = nullptr;
}

void DialogOk() { script.push_back({Press::kOk, ""}); }
void DialogOk(const std::string& text) { script.push_back({Press::kTypeAndOk, text}); }
void DialogCancel() { script.push_back({Press::kCancel, ""}); }
void DialogCannotShow() { script.push_back({Press::kCannotShow, ""}); }
const std::vector<std::string>& DialogProposals() { return proposals; }
const void* DialogOwner() { return lastOwner; }

}  // namespace fake

int RunDirectoryDialog(InstanceHandle, WindowHandle owner, char* directory, size_t size, DirectoryCheck check) {
  using fake::Press;
  if (!fake::script.empty() && fake::script.front().press == Press::kCannotShow) {
    fake::script.pop_front();
    fake::Events().push_back("dialog:cannot-show");
    return -1;
  }
  fake::lastOwner = owner;
  std::string edit = directory;
  fake::proposals.push_back(edit);
  fake::Events().push_back("dialog:open:" + edit);
  for (;;) {
    // An unscripted dialog is cancelled, so a test that forgets a step ends instead of looping.
    if (fake::script.empty() || fake::script.front().press == Press::kCancel) {
      if (!fake::script.empty()) fake::script.pop_front();
      fake::Events().push_back("dialog:cancel");
      return 0;
    }
    const fake::Step step = fake::script.front();
    fake::script.pop_front();
    if (step.press == Press::kTypeAndOk) edit = step.text;
    // Read the edit box as the window does: cut to the buffer, terminator included.
    snprintf(directory, size, "%s", edit.c_str());
    fake::Events().push_back(std::string("dialog:ok:") + directory);
    if (check(directory, size, owner)) return 1;
  }
}
