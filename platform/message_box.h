// Message boxes: the only way the installer reports anything to the user.
#pragma once
#include "platform/platform_types.h"

/// Shows `text` under `caption` with `style` (kMessage* values, combinable) owned by `owner`
/// (may be null) and waits for the user. Returns the answer (kAnswer* values). When no answer
/// can be had (the box cannot be shown, or the console edition reaches end of input) it returns
/// kAnswerOk for an OK box and kAnswerNo for a Yes/No box, so a question never counts as assent.
int ShowMessage(WindowHandle owner, const char* text, const char* caption, unsigned style);
