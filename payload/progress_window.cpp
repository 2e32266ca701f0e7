// What the progress window shows as extraction reports, the same on every platform.
#include "payload/progress_window.h"

#include <stdio.h>

void FormatPercentText(char* buffer, size_t size, int percent) {
  // One space after the colon: the template's initial "Percent Complete:   0%" is padded, the
  // updates are not.
  snprintf(buffer, size, "Percent Complete: %d%%", percent);
}

void ShowPercent(void* context, const char*, int percent) {
  if (context == nullptr) return;
  char text[32];
  FormatPercentText(text, sizeof text, percent);
  SetProgressText(context, text);
}
