// The "Setup Progress" window that shows how far extraction has come.
#pragma once
#include <stddef.h>

#include "platform/platform_types.h"

/// Creates the progress window from its template, with no parent, shows it and paints it.
/// Returns its handle (null when it cannot be created; ShowPercent and DestroyProgressWindow
/// accept null).
WindowHandle CreateProgressWindow(InstanceHandle instance);

/// The extraction's progress callback: shows "Percent Complete: <percent>%" in the window
/// `context` and paints it at once, since no message loop runs during extraction. The file
/// name is not shown. A null `context` is ignored.
void ShowPercent(void* context, const char* fileName, int percent);

/// Removes the window; called only after a complete extraction. Null is ignored.
void DestroyProgressWindow(WindowHandle window);

/// Formats the window's update text, "Percent Complete: <percent>%", into `buffer` of `size`
/// bytes (cut to fit, always zero-terminated when size >= 1). Shared by every platform's window.
void FormatPercentText(char* buffer, size_t size, int percent);
