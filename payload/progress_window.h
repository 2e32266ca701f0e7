// The "Setup Progress" window that shows how far extraction has come.
#pragma once
#include "platform/platform_types.h"

/// Creates the progress window from its template, with no parent, and shows it. Returns its
/// handle (null when it cannot be created; ShowPercent and DestroyProgressWindow accept null).
WindowHandle CreateProgressWindow(InstanceHandle instance);

/// The extraction's progress callback: shows "Percent Complete: <percent>%" in the window
/// `context` at once. The file name is not shown.
void ShowPercent(void* context, const char* fileName, int percent);

/// Removes the window; called only after a complete extraction.
void DestroyProgressWindow(WindowHandle window);
