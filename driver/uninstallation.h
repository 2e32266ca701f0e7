// The uninstaller's entry routine: removing an installation as one straight sequence.
#pragma once
#include "product/installer_data.h"

/// Removes the installation that the profile file remembers: asks once (unless `silent`), asks
/// running copies to quit (AskRunningCopiesToQuit), deletes from the stored data directory the
/// files and then the folders the installation's record lists (install_record.h; without a
/// readable record, the files of PayloadTable and the folders of their paths), the record, and
/// the directory itself if nothing else is in it, removes the recorded program group and, where
/// an installation made it, the Startup item over DDE (and what no shell removed), the stored directory
/// from the profile and the product's entry among the installed programs, and
/// says in one message (unless `silent`) what was removed and what was left. `data` says how
/// reading the uninstaller's own data went. Returns the exit status (ExitStatus): ExitSuccess
/// (files of the user's own may have kept the directory), ExitLeftBehind, ExitNotInstalled when
/// no directory is stored, ExitDeclined, ExitDamaged, ExitNoMemory or ExitBusy (another
/// installation or removal of the product runs, which the one message says; nothing is removed).
/// An installation for all users is removed only elevated: a process that is not starts itself
/// again elevated (RunElevatedCopy, with /ELEVATED) and returns that copy's status, unless
/// `silent` or `elevatedCopy` (it is that copy already); otherwise, or when the user declines,
/// it says why (unless `silent`) and returns ExitNeedsAdministrator, having removed nothing.
int RunUninstallation(InstallerDataStatus data, bool silent, bool elevatedCopy = false);
