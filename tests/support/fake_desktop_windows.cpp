// A fake desktop of titled windows for unit tests.
#include <string.h>

#include "shell/desktop_windows.h"
#include "tests/support/fakes.h"

namespace fake {
namespace {
std::vector<std::string> windows;  // a window's handle is the address of its title
}

void ResetDesktop() { windows.clear(); }
void UseWindows(const std::vector<std::string>& titles) { windows = titles; }

}  // namespace fake

void EnumerateTopLevelWindows(WindowVisitor visitor, void* context) {
  fake::Events().push_back("enumerate");
  for (std::string& title : fake::windows) {
    if (visitor(&title, context) == 0) break;
  }
}

void ReadWindowTitle(WindowHandle window, char* buffer, size_t size) {
  // Cut like GetWindowTextA: at most size - 1 characters, always terminated.
  const std::string& title = *static_cast<const std::string*>(window);
  size_t length = title.size() < size - 1 ? title.size() : size - 1;
  memcpy(buffer, title.data(), length);
  buffer[length] = '\0';
}

void PostQuitRequest(WindowHandle window) {
  fake::Events().push_back("quit:" + *static_cast<const std::string*>(window));
}
