// The "Setup Progress" window that shows how far extraction has come: the window itself per
// platform, and ShowPercent, the portable progress callback that fills it.
#pragma once
#include <stddef.h>

#include "platform/platform_types.h"

/// Creates the progress window from its template, with no parent, shows it and paints it.
/// Returns its handle (null when it cannot be created; SetProgressText and
/// DestroyProgressWindow accept null).
WindowHandle CreateProgressWindow(InstanceHandle instance);

/// Shows `text` in the window's percentage line and paints it at once, since no message loop
/// runs during extraction. A null `window` is ignored.
void SetProgressText(WindowHandle window, const char* text);

/// Removes the window; called only after a complete extraction. Null is ignored.
void DestroyProgressWindow(WindowHandle window);

/// The extraction's progress callback: shows "Percent Complete: <percent>%" in the window
/// `context` (a handle from CreateProgressWindow). The file name is not shown. A null `context`
/// is ignored.
void ShowPercent(void* context, const char* fileName, int percent);

/// Formats the window's update text, "Percent Complete: <percent>%", into `buffer` of `size`
/// bytes (cut to fit, always zero-terminated when size >= 1).
void FormatPercentText(char* buffer, size_t size, int percent);
