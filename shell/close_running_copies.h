// Asking running copies of the product to quit before their files are replaced.
#pragma once

/// Shows the "Closing Running Copies" notice, waits, asks every top-level window whose title
/// begins with appTitle to quit, and waits again. Nothing is awaited or verified.
void CloseRunningCopies();
