// Registering the product's program group with the shell.
#pragma once

/// Creates the product's group with items for `programPath` and `uninstallerPath`, each with
/// `dataDirectory` as its working directory (and, when the settings ask and the user agrees, a
/// Startup item), through the Program Manager DDE client, opened and closed around the commands.
/// Failures are ignored.
void RegisterShortcuts(const char* programPath, const char* uninstallerPath, const char* dataDirectory);

/// The connection rule RegisterShortcuts hands the DDE client: true only when `serviceName`
/// equals the settings' groupName exactly, case included.
bool DdeAcceptsConnection(const char* serviceName);
