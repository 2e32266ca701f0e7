// Registering the product's program group with the shell.
#pragma once

/// Creates the product's group with items for `programPath` and `uninstallerPath` (and, when
/// the settings ask and the user agrees, a Startup item). Failures are ignored.
void RegisterShortcuts(const char* programPath, const char* uninstallerPath);
