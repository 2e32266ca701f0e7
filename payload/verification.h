// The damage check as the user meets it: a window with the share checked so far when checking a
// large product takes longer than a moment.
#pragma once
#include "platform/platform_types.h"
#include "payload/payload_check.h"

/// Checks PayloadTable for damage (CheckPayload). Once the check has taken a quarter of a
/// second and, at the pace so far, has at least as long again to go, the "Verifying Setup" window
/// (`instance` supplies its template) comes up and shows the share checked; a check that ends
/// sooner shows nothing, so that no window flashes up and away. The window is gone when this
/// returns. Returns what the check found. Writes nothing.
PayloadCheck CheckPayloadShowingProgress(InstanceHandle instance);
