// The progress window's update text, the same on every platform.
#include "payload/progress_window.h"

#include <stdio.h>

void FormatPercentText(char* buffer, size_t size, int percent) {
  // One space after the colon: the template's initial "Percent Complete:   0%" is padded, the
  // updates are not.
  snprintf(buffer, size, "Percent Complete: %d%%", percent);
}
