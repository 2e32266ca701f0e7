// Asking running copies of the product to quit before their files are replaced.
#include "shell/close_running_copies.h"

#include <stdio.h>
#include <string.h>

#include "product/installer_settings.h"
#include "platform/message_box.h"
#include "platform/system.h"
#include "shell/desktop_windows.h"

namespace {

// A running copy gets this long to see the notice's effect before the enumeration, and this
// long again to end before extraction opens its files; no answer is ever awaited.
const unsigned kWaitMilliseconds = 4000;
// Titles are compared over at most 255 characters, the most that is read of them.
enum { kTitleSize = 256 };
// The notice is a fixed text around appTitle, whose length the packaging tool bounds.
enum { kNoticeSize = 4096 };

}  // namespace

int QuitMatchingWindow(WindowHandle window, void*) {
  const char* appTitle = InstallerSettings.appTitle;
  const size_t prefixLength = strlen(appTitle);
  // An empty title would be a prefix of every window on the desktop; it names no product.
  if (prefixLength == 0) return 1;
  char title[kTitleSize];
  ReadWindowTitle(window, title, sizeof title);
  // strncmp stops at the end of a shorter title, which therefore never matches.
  if (strncmp(title, appTitle, prefixLength) == 0) PostQuitRequest(window);
  return 1;
}

void CloseRunningCopies() {
  char notice[kNoticeSize];
  snprintf(notice, sizeof notice,
           "Any copies of %s currently running must now be shut down. This may take a few seconds.",
           InstallerSettings.appTitle);
  ShowMessage(nullptr, notice, "Closing Running Copies", kMessageOk | kMessageWarning);
  AskRunningCopiesToQuit();
}

void AskRunningCopiesToQuit() {
  SleepMilliseconds(kWaitMilliseconds);
  EnumerateTopLevelWindows(QuitMatchingWindow, nullptr);
  SleepMilliseconds(kWaitMilliseconds);
}
