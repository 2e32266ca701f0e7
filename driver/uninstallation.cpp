// The uninstallation sequence and its messages.
#include "driver/uninstallation.h"

#include <stdio.h>
#include <string.h>

#include "datadir/data_directory.h"
#include "product/exit_status.h"
#include "driver/product_lock.h"
#include "payload/install_record.h"
#include "payload/installed_files.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/system.h"
#include "platform/windows_path.h"
#include "product/installer_settings.h"
#include "shell/close_running_copies.h"
#include "shell/installed_apps.h"
#include "shell/register_shortcuts.h"

namespace {

const char kDamagedText[] =
    "This uninstaller is damaged and cannot remove the application. Delete the application's "
    "files by hand, or install it again and then remove it.";
const char kNoMemoryText[] =
    "Insufficient memory was available for the uninstaller. Close other applications and run the "
    "uninstaller again.";
const char kNeedsAdministratorFormat[] =
    "%s was installed for all users of this computer, so only an administrator can remove it. Start "
    "the uninstaller again as an administrator.";
const char kNotInstalledFormat[] = "%s is not installed on this computer, so there is nothing to remove.";
const char kQuestionFormat[] =
    "Do you want to remove %s from this computer? Its files in %s, its program group and the "
    "directory stored for it are removed. Files of your own in that directory are kept.";
const char kRemovedFormat[] = "%s has been removed from your computer.";
const char kKeptFormat[] =
    "%s has been removed from your computer. Its directory %s was kept: it holds files that were "
    "not installed with %s.";
// The one message with line breaks: a list of paths reads best one to a line.
const char kLeftFormat[] =
    "%s could not be removed completely. These were left:\n\n%s\nClose any program that uses "
    "them, then delete them by hand.";

// Captions and messages are fixed texts around setting texts the packaging tool bounds, the data
// directory and the list of what was left.
enum { kCaptionSize = 512, kMessageSize = 8192, kListSize = 4096 };

// What stayed behind, one indented line each, as much as fits in the one message.
struct LeftList {
  char text[kListSize];
  size_t used;
  int count;
  int omitted;
};

void AddLeft(void* context, const char* path) {
  LeftList* list = static_cast<LeftList*>(context);
  ++list->count;
  // Room is kept for the line that counts the omitted ones. Once one is omitted, so is every
  // later one, even a shorter one that would fit: the count then stands for the end of the list.
  const size_t room = sizeof list->text - 64;
  const int length = list->used < room && list->omitted == 0
                         ? snprintf(list->text + list->used, room - list->used, "    %s\n", path)
                         : -1;
  if (length < 0 || list->used + static_cast<size_t>(length) >= room) {
    list->text[list->used] = '\0';
    ++list->omitted;
    return;
  }
  list->used += static_cast<size_t>(length);
}

}  // namespace

int RunUninstallation(InstallerDataStatus data, bool silent, bool elevatedCopy) {
  const SettingsRecord& settings = InstallerSettings;
  // A damaged uninstaller cannot name its product.
  if (data == InstallerDataDamaged) {
    if (!silent) ShowMessage(nullptr, kDamagedText, "Uninstallation Failed", kMessageOk | kMessageWarning);
    return ExitDamaged;
  }
  char caption[kCaptionSize];
  snprintf(caption, sizeof caption, "Uninstall %s", settings.appTitle);
  if (data == InstallerDataNoMemory) {
    if (!silent) ShowMessage(nullptr, kNoMemoryText, caption, kMessageOk | kMessageWarning);
    return ExitNoMemory;
  }

  // An installation for all users is removed with an administrator's rights, whoever's token
  // started the uninstaller: its files, its group in all users' Start menu and its entry are
  // beyond a user's. Without elevation the uninstaller starts itself again elevated, asking the
  // user, and ends as that copy ends; nothing is removed here. The lock is not taken yet, so that
  // the copy can take it.
  char message[kMessageSize];
  // Nothing stored: the lock of the process's own kind, the one its installer would take.
  bool forAllUsers = ProcessIsElevated();
  if (ReadStoredDataDirectory(&forAllUsers)) {
    InstallRecord record;
    if (ReadInstallRecord(DataDirectory, &record) == RecordRead) forAllUsers = record.forAllUsers;
    FreeInstallRecord(&record);
    if (forAllUsers && !ProcessIsElevated()) {
      if (silent) return ExitNeedsAdministrator;
      // The copy removes the directory, which must not be this process's current one.
      ChangeDirectory("\\");
      // A copy that is still not elevated (a system that starts it with the same rights) asks
      // no further copy: it says why and ends.
      int status = ExitNeedsAdministrator;
      if (!elevatedCopy && RunElevatedCopy("/ELEVATED", &status)) return status;
      snprintf(message, sizeof message, kNeedsAdministratorFormat, settings.appTitle);
      ShowMessage(nullptr, message, caption, kMessageOk | kMessageWarning);
      return ExitNeedsAdministrator;
    }
  }

  if (!LockProduct(silent, forAllUsers)) return ExitBusy;

  if (!ReadStoredDataDirectory(&forAllUsers)) {
    snprintf(message, sizeof message, kNotInstalledFormat, settings.appTitle);
    if (!silent) ShowMessage(nullptr, message, caption, kMessageOk);
    return ExitNotInstalled;
  }
  snprintf(message, sizeof message, kQuestionFormat, settings.appTitle, DataDirectory);
  if (!silent && ShowMessage(nullptr, message, caption, kMessageYesNo) != kAnswerYes) return ExitDeclined;

  // The group's shortcut starts the uninstaller in the data directory, and Windows removes no
  // directory that is a running program's current one: the root of the drive serves instead.
  ChangeDirectory("\\");
  AskRunningCopiesToQuit();

  // What the installations recorded goes, and only that; without a record (an installation by a
  // program that kept none, or a record that cannot be trusted) the files of this version do.
  LeftList left = {};
  InstallRecord record;
  const bool recorded = ReadInstallRecord(DataDirectory, &record) == RecordRead;
  if (recorded) {
    forAllUsers = record.forAllUsers;
    DeleteRecordedFiles(DataDirectory, record.files, record.fileCount, AddLeft, &left);
    if (!DeleteInstallRecord(DataDirectory)) {
      char recordPath[DataDirectorySize + sizeof InstallRecordName + 1];
      snprintf(recordPath, sizeof recordPath, "%s\\%s", DataDirectory, InstallRecordName);
      AddLeft(&left, recordPath);
    }
    RemoveRecordedFolders(DataDirectory, record.folders, record.folderCount);
  } else {
    DeleteInstalledFiles(DataDirectory, AddLeft, &left);
    DeleteInstallRecord(DataDirectory);
    RemoveInstalledFolders(DataDirectory);
  }
  // A drive root is never removed (Windows refuses to) and so is no leftover either: the
  // installation into it is gone once its files are. Nor is a directory that was there before the
  // installation (one the user chose, or named with /D=): it was never the product's, and it is
  // only said to be kept when the user's files are in it.
  const bool driveRoot = IsDriveRoot(DataDirectory);
  const bool directoryOwned = !driveRoot && (!recorded || record.directoryCreated);
  DirectoryRemoval removal = DirectoryAbsent;
  if (directoryOwned) {
    removal = RemoveEmptyDirectory(DataDirectory);
  } else if (!driveRoot && DirectoryHoldsAnything(DataDirectory)) {
    removal = DirectoryNotEmpty;
  }
  // The directory is left, not kept, when it is in use or holds files that could not be deleted.
  const bool directoryKept = removal == DirectoryNotEmpty && left.count == 0;
  if (directoryOwned && (removal == DirectoryNotRemoved || (removal == DirectoryNotEmpty && !directoryKept))) {
    AddLeft(&left, DataDirectory);
  }
  // Unattended, the shell is not asked: its answer may show the Startup group's folder.
  const ShortcutRoute route = silent ? ShortcutsWithoutWindows : ShortcutsThroughShell;
  if (recorded) {
    RemoveShortcutsOf(record.groupName, record.appTitle, record.startupItem, route);
  } else {
    RemoveShortcuts(route);
  }
  FreeInstallRecord(&record);
  ForgetDataDirectory();
  // The entry among the installed programs goes with the stored directory: what is left is named
  // in the message, and no longer an installation to remove.
  DeleteInstalledAppsEntry(settings.productId, forAllUsers);

  if (left.count > 0) {
    if (left.omitted > 0) {
      snprintf(left.text + left.used, sizeof left.text - left.used, "    and %d more\n", left.omitted);
    }
    snprintf(message, sizeof message, kLeftFormat, settings.appTitle, left.text);
    if (!silent) ShowMessage(nullptr, message, caption, kMessageOk | kMessageWarning);
    return ExitLeftBehind;
  }
  if (directoryKept) {
    snprintf(message, sizeof message, kKeptFormat, settings.appTitle, DataDirectory, settings.appTitle);
  } else {
    snprintf(message, sizeof message, kRemovedFormat, settings.appTitle);
  }
  if (!silent) ShowMessage(nullptr, message, caption, kMessageOk);
  return ExitSuccess;
}
