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

/// The value by which an entry names the product that wrote it: its key name, the productId.
/// Another program's key of the same name lacks it, and is never replaced or deleted.
#define INSTALLED_APPS_OWNER_VALUE "InstallerProductId"

/// What became of the entry.
enum EntryOutcome {
  EntryWritten,
  EntryNotWritten,        // the registry refused a value or the key
  EntryOfAnotherProgram,  // a key of that name that this product did not write is there: left as it is
};

/// Writes the entry under `keyName` for all users (HKEY_LOCAL_MACHINE, `forAllUsers`) or for the
/// user (HKEY_CURRENT_USER), with INSTALLED_APPS_OWNER_VALUE, in the 64-bit registry view on 64-bit
/// Windows whatever the program's own bitness: the 32-bit and the 64-bit installer of one product
/// keep one entry. It replaces, as a whole, an entry of that name that this product wrote: one
/// holding INSTALLED_APPS_OWNER_VALUE equal to `keyName`, or one of the shape the installers wrote
/// before that value (UninstallString a quoted path ending in \uninst.exe, QuietUninstallString
/// the same followed by " /S", NoModify and NoRepair 1); such an entry in the 32-bit view, which
/// a 32-bit installer wrote before, goes too. A key of that name of any other program stays as it
/// is, and so does a key that cannot be read. The caller does without the entry when it is not
/// written. The console edition keeps its entries in a file in its profile folder.
EntryOutcome WriteInstalledAppsEntry(const char* keyName, bool forAllUsers, const InstalledAppsEntry& entry);

/// Deletes the entry `keyName` (with what a product's program added below it) from both registry
/// views of the place WriteInstalledAppsEntry writes it for `forAllUsers`, where this product
/// wrote it (as WriteInstalledAppsEntry recognises it); another program's key of that name stays.
/// An entry that is not there is no failure.
void DeleteInstalledAppsEntry(const char* keyName, bool forAllUsers);
