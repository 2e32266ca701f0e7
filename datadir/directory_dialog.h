// The "Choose a Data Directory" dialog, which asks the user for a directory and hands every OK
// to a check supplied by its caller.
#pragma once
#include <stddef.h>

#include "platform/platform_types.h"

/// What the dialog runs when OK is pressed: `directory` (a buffer of `size` bytes) holds the
/// edit box's text, which the check may rewrite; it shows any refusal itself, with message
/// boxes owned by `owner`. Returns 1 when the dialog should close with the directory accepted,
/// 0 when it should stay open.
typedef int (*DirectoryCheck)(char* directory, size_t size, WindowHandle owner);

/// Shows the directory dialog (template 113) modally, owned by `owner` (may be null), with the
/// text in `directory` (UTF-8) proposed in its edit box. Every OK copies the edit text into
/// `directory` as UTF-8 and runs `check`; a text longer than `size` bytes with its terminator is
/// never cut (a path cut short could name another directory) but handed over empty, which names
/// nothing, so the check refuses it. While the check
/// runs, and so while any message box it shows is up, the dialog takes no input: the boxes
/// have no owner, and the user must not press the dialog's buttons under them. Returns 1 when a
/// directory was accepted, 0 when the user cancelled (Cancel, Escape, the Close box, or end of
/// input in the console edition), -1 when the dialog could not be shown.
int RunDirectoryDialog(InstanceHandle instance, WindowHandle owner, char* directory, size_t size,
                       DirectoryCheck check);
