// The "Choose a Data Directory" dialog and the check it makes when the user presses OK.
#pragma once
#include "platform/platform_types.h"

/// Shows the directory dialog (template 113) modally, owned by `owner` (may be null), with
/// DataDirectory proposed in its edit box. Every OK copies the edit text into DataDirectory
/// (at most DataDirectorySize bytes with the terminator) and calls ValidateDirectoryChoice.
/// Returns 1 when a directory was accepted, 0 when the user cancelled (Cancel, Escape, the
/// Close box, or end of input in the console edition), -1 when the dialog could not be shown.
int RunDirectoryDialog(InstanceHandle instance, WindowHandle owner);

/// Checks the text in DataDirectory after OK: a missing directory is created (one level), a
/// path naming a file is refused, an existing directory is accepted only after the user
/// confirms. Every refusal is a message box owned by `owner`. Returns 1 when the dialog should
/// close with the directory accepted, 0 when it should stay open.
int ValidateDirectoryChoice(WindowHandle owner);
