// The "Setup Progress" window that shows how far extraction has come, and its twin that shows how
// far the damage check has come: the windows themselves per platform, and ShowPercent, the
// portable progress callback that fills them.
#pragma once
#include <stddef.h>

#include "platform/platform_types.h"

/// Creates the progress window from its template, with no parent, shows it and paints it.
/// Returns its handle (null when it cannot be created; SetProgressText and
/// DestroyProgressWindow accept null).
WindowHandle CreateProgressWindow(InstanceHandle instance);

/// Creates the "Verifying Setup" window (template 110), shown while the installer checks itself
/// for damage, the same way: no parent, shown and painted at once, its percentage line set with
/// SetProgressText and the window removed with DestroyProgressWindow. Null when it cannot be
/// created.
WindowHandle CreateVerificationWindow(InstanceHandle instance);

/// Shows `text` in the window's percentage line and paints it at once, since no message loop
/// runs during extraction. A null `window` is ignored.
void SetProgressText(WindowHandle window, const char* text);

/// Removes the window: the progress window only after a complete extraction, the verification
/// window once the check is over. Null is ignored.
void DestroyProgressWindow(WindowHandle window);

/// The extraction's progress callback: shows "Percent Complete: <percent>%" in the window
/// `context` (a handle from CreateProgressWindow). The file name is not shown. A null `context`
/// is ignored.
void ShowPercent(void* context, const char* fileName, int percent);

/// Formats the window's update text, "Percent Complete: <percent>%", into `buffer` of `size`
/// bytes (cut to fit, always zero-terminated when size >= 1).
void FormatPercentText(char* buffer, size_t size, int percent);
