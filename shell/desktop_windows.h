// The desktop's top-level windows, as far as closing running copies needs them: list them, read
// a title, ask one to quit.
#pragma once
#include <stddef.h>

#include "platform/platform_types.h"

/// Called once per top-level window with the `context` given to EnumerateTopLevelWindows.
/// Returns nonzero to go on to the next window, zero to stop.
typedef int (*WindowVisitor)(WindowHandle window, void* context);

/// Calls `visitor` for every top-level window of the desktop, in the platform's order, until it
/// returns zero. A platform without windows never calls it.
void EnumerateTopLevelWindows(WindowVisitor visitor, void* context);

/// Copies the title of `window` into `buffer` of `size` bytes (size >= 1), cut to size - 1
/// characters and always zero-terminated. Leaves it empty when the window has no title or no
/// longer exists.
void ReadWindowTitle(WindowHandle window, char* buffer, size_t size);

/// Posts a quit request to `window` and returns at once. Nothing tells whether it is honoured.
void PostQuitRequest(WindowHandle window);
