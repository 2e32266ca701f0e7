// The installer's entry routine: the whole installation as one straight sequence.
#pragma once
#include <stddef.h>

#include "platform/platform_types.h"
#include "product/installer_data.h"
#include "shell/installed_apps.h"
#include "shell/register_shortcuts.h"

/// Runs the installation: checks the payload, settles the data directory, closes running
/// copies, writes the files (removing them again on failure), registers the program group,
/// stores the directory and offers to start the program. Every outcome is a message box.
/// `instance` supplies the dialog templates. `data` says how reading the installer's own data
/// went: when it is damaged (InstallerSettings then means nothing) or its table could not be
/// allocated, that is the message, and nothing is written; so it is when another installation or
/// removal of the product runs (LockProduct), which holds the product's lock from then on to the
/// end of the process. `preset` is the directory named on
/// the command line (null when none), proposed before any other. Always returns 0, the process's
/// exit code.
int RunInstallation(InstanceHandle instance, InstallerDataStatus data = InstallerDataRead,
                    const char* preset = nullptr);

/// The same installation with no window at all (/S): the directory is `preset`, or when null the
/// one the dialog would propose, created when missing and never asked for; running copies are
/// asked to quit without the notice; the Startup item is added only when `startup` (/STARTUP) and
/// the settings offer it; the program is not started. The profile is written as in
/// RunInstallation. Returns the exit status (ExitStatus): ExitSuccess, ExitNoDirectory,
/// ExitCannotCreate, ExitWriteFailed, ExitNoMemory, ExitDamaged or ExitBusy (another installation
/// or removal of the product runs; nothing is written); after a failed extraction the
/// files are rolled back as RunInstallation rolls them back.
int RunUnattendedInstallation(InstallerDataStatus data, const char* preset, bool startup);

/// The end of both sequences once every file is written: deletes the earlier copies the files
/// replaced, registers the program group for the main program and uninst.exe in DataDirectory
/// (the Startup item as `startup` decides), stores the directory, removes what an earlier
/// installation recorded and this one does not install or make (RemoveWhatIsNoLongerInstalled,
/// RemoveEarlierShortcuts), writes this installation's record, and writes the product's entry
/// among the installed programs (productId), all for every user of the machine when the process
/// runs elevated and for the user otherwise.
/// The items are made and earlier ones removed by `route` (an unattended run's opens no window).
/// Writes the main program's full path to `programPath` (`size` bytes) unless it is null.
/// Returns what became of the entry (installed_apps.h): another program's key of that name is
/// left as it is, and the product goes without an entry.
EntryOutcome RegisterInstallation(StartupItemChoice startup, ShortcutRoute route, char* programPath, size_t size);
