// Asking running copies of the product to quit before their files are replaced.
#pragma once
#include "platform/platform_types.h"

/// Shows the "Closing Running Copies" notice (OK only, warning icon, no owner) naming appTitle,
/// then AskRunningCopiesToQuit. Nothing is awaited or verified, and nothing can fail.
void CloseRunningCopies();

/// Without a notice: waits 4,000 ms, asks every top-level window whose title begins with
/// appTitle to quit, and waits 4,000 ms again (the unattended installation and the uninstaller).
void AskRunningCopiesToQuit();

/// The window visitor of CloseRunningCopies: reads the title of `window` (at most 255
/// characters) and posts it a quit request when its first strlen(appTitle) bytes equal appTitle,
/// case-sensitively. `ignored` is not used. Always returns 1, so every window is visited.
int QuitMatchingWindow(WindowHandle window, void* ignored);
