// The product's entry among the installed programs (Settings' Installed apps, Programs and
// Features), which users remove the product from and package managers find it by: the key
// Software\Microsoft\Windows\CurrentVersion\Uninstall\<productId> of the registry.
#pragma once
#include <stdint.h>

/// The entry's values. Texts are UTF-8; an empty or null one is not written.
struct InstalledAppsEntry {
  const char* displayName;           // DisplayName
  const char* displayVersion;        // DisplayVersion
  const char* publisher;             // Publisher
  const char* installLocation;       // InstallLocation: the data directory
  const char* uninstallString;       // UninstallString: the uninstaller's path in double quotes
  const char* quietUninstallString;  // QuietUninstallString: the same with /S
  const char* displayIcon;           // DisplayIcon: the main program
  const char* urlInfoAbout;          // URLInfoAbout
  const char* helpLink;              // HelpLink
  uint32_t estimatedSizeKiB;         // EstimatedSize, a DWORD; NoModify and NoRepair are always 1
};

/// Writes the entry under `keyName` for all users (HKEY_LOCAL_MACHINE, `forAllUsers`) or for the
/// user (HKEY_CURRENT_USER), in the registry view of the program itself (a 32-bit installer's
/// entry lands where Windows keeps 32-bit programs' entries on 64-bit Windows), replacing an
/// entry of that name as a whole. Returns true when every value was written; the caller does
/// without otherwise. The console edition keeps its entries in a file in its profile folder.
bool WriteInstalledAppsEntry(const char* keyName, bool forAllUsers, const InstalledAppsEntry& entry);

/// Deletes the entry `keyName` (that key alone) from the place WriteInstalledAppsEntry writes it
/// for `forAllUsers`. An entry that is not there is no failure.
void DeleteInstalledAppsEntry(const char* keyName, bool forAllUsers);
