// The installation sequence and its outcome messages.
#include "driver/installation.h"

#include <stdio.h>

#include "datadir/data_directory.h"
#include "driver/product_lock.h"
#include "payload/extract.h"
#include "payload/install_record.h"
#include "payload/progress_window.h"
#include "payload/verification.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/system.h"
#include "product/installer_settings.h"
#include "product/names.h"
#include "shell/close_running_copies.h"
#include "shell/installed_apps.h"
#include "shell/register_shortcuts.h"

namespace {

// The missing space after "time." is kept on purpose: the message reads exactly so, word for
// word, and is not to be tidied.
const char kNotInstalledText[] =
    "The application will not be installed at this time.If you decide to install the application "
    "later, just launch this program again to complete the installation process.";
const char kCannotCreateFileText[] =
    "The application was not able to create one of its component files. The disk is full, or a "
    "copy of the application is already running, or you do not have write access to the "
    "directory in which you are attempting to install the application. Check your available disk "
    "space and run the setup program again.";
const char kWriteFailedText[] =
    "The application was unable to finish writing a file to disk. Your hard drive is probably "
    "full. Check your available disk space, make additional space available, and run the setup "
    "program again.";
const char kNoMemoryText[] =
    "Insufficient memory was available for the setup procedure. Close other applications and run "
    "the setup program again.";
const char kEntryOfAnotherProgramFormat[] =
    "%s has been installed, but it is not listed in Installed apps: the entry \"%s\" there belongs to another "
    "program, which Setup has left as it is.\n\nTo remove %s, use the Uninstall item in the %s group.";
const char kDamagedText[] =
    "This setup program is damaged and cannot install the application. Please obtain a new copy "
    "of the setup program and run it again.";
const char kDataFileDamagedFormat[] =
    "The data file %s-%d.bin, which this setup program needs beside it, is missing or damaged. Please "
    "obtain a new copy of the setup program and all of its data files, place them in one folder and run "
    "it again.";

// Paths are DataDirectory plus a separator and a file name of at most 255 characters.
enum { kPathSize = DataDirectorySize + 1 + 256 };
// Captions and questions are a fixed text around setting texts the packaging tool bounds.
enum { kMessageSize = 4096 };

void ShowFailure(const char* text) {
  char caption[kMessageSize];
  snprintf(caption, sizeof caption, "%s Installation Failed", InstallerSettings.appTitle);
  ShowMessage(nullptr, text, caption, kMessageOk | kMessageWarning);
}

const char* FailureText(ExtractStatus status) {
  switch (status) {
    case ExtractCannotCreate: return kCannotCreateFileText;
    case ExtractWriteFailed: return kWriteFailedText;
    case ExtractNoMemory: return kNoMemoryText;
    default: return kDamagedText;
  }
}

// The progress window and the percentage it shows.
struct ProgressShown {
  WindowHandle window;
  int percent;  // -1 before the first
};

// The extraction's progress callback: ShowPercent, but only when the percentage has changed. A
// product of thousands of files reports each percentage many times over, and every update
// repaints the window at once (no message loop runs), under Wine a round trip to the X server
// per file; the same text set again shows nothing new.
void ShowChangedPercent(void* context, const char* fileName, int percent) {
  ProgressShown* shown = static_cast<ProgressShown*>(context);
  if (percent == shown->percent) return;
  shown->percent = percent;
  ShowPercent(shown->window, fileName, percent);
}

}  // namespace

EntryOutcome RegisterInstallation(StartupItemChoice startup, ShortcutRoute route, char* programPath, size_t size) {
  const SettingsRecord& settings = InstallerSettings;
  const bool forAllUsers = ProcessIsElevated();
  char program[kPathSize];
  char uninstaller[kPathSize];
  snprintf(program, sizeof program, "%s\\%s", DataDirectory, settings.mainExecutable);
  snprintf(uninstaller, sizeof uninstaller, "%s\\uninst.exe", DataDirectory);
  // The earlier copies of replaced files are not needed once every file is written.
  DiscardReplacedFiles();
  // The record in the directory is an earlier version's when it shares a name with this one: its
  // key, its group or its title (a version renames one at a time). Another product installed into
  // the same directory keeps its files.
  InstallRecord earlier;
  const bool overEarlier = ReadInstallRecord(DataDirectory, &earlier) == RecordRead &&
                           (MayNameSameFile(earlier.productId, settings.productId) ||
                            MayNameSameFile(earlier.groupName, settings.groupName) ||
                            MayNameSameFile(earlier.appTitle, settings.appTitle));
  const bool startupItem = RegisterShortcuts(program, uninstaller, DataDirectory, startup, forAllUsers, route);
  StoreDataDirectory();

  // An update: what the earlier version installed and this one does not goes, files first, then
  // the folders they leave empty, then the items no longer made.
  if (overEarlier) {
    RemoveWhatIsNoLongerInstalled(DataDirectory, &earlier);
    RemoveEarlierShortcuts(earlier.groupName, earlier.appTitle, earlier.startupItem, startupItem, route);
  }
  // A directory the first version created is still the product's own when an update finds it.
  const bool directoryCreated = DataDirectoryCreated || (overEarlier && earlier.directoryCreated);
  const InstallationMade made = {settings.version, settings.appTitle, settings.groupName, settings.productId,
                                 forAllUsers,      startupItem,       directoryCreated};
  WriteInstallRecord(DataDirectory, made, overEarlier ? &earlier : nullptr);

  // The entry among the installed programs, by which users remove the product from Settings and
  // package managers find and remove it; like the group, a failure to write it changes nothing.
  char uninstallString[kPathSize + 2];
  char quietUninstallString[kPathSize + 5];
  snprintf(uninstallString, sizeof uninstallString, "\"%s\"", uninstaller);
  snprintf(quietUninstallString, sizeof quietUninstallString, "\"%s\" /S", uninstaller);
  InstalledAppsEntry entry = {};
  entry.displayName = settings.productName;
  entry.displayVersion = settings.version;
  entry.publisher = settings.publisher;
  entry.installLocation = DataDirectory;
  entry.uninstallString = uninstallString;
  entry.quietUninstallString = quietUninstallString;
  entry.displayIcon = program;
  entry.urlInfoAbout = settings.urlInfoAbout;
  entry.helpLink = settings.helpLink;
  // In KiB, rounded up, as Installed apps shows it; a product of 4 TiB or more would not fit.
  const uint64_t kibibytes = (settings.installedSize + 1023) / 1024;
  entry.estimatedSizeKiB = kibibytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(kibibytes);
  const EntryOutcome outcome = WriteInstalledAppsEntry(settings.productId, forAllUsers, entry);
  // An earlier version under another key (its groupName and so its default productId changed)
  // would stay listed beside this one, naming an uninstaller that is now this version's.
  if (overEarlier && !MayNameSameFile(earlier.productId, settings.productId)) {
    DeleteInstalledAppsEntry(earlier.productId, earlier.forAllUsers);
  }
  FreeInstallRecord(&earlier);

  if (programPath != nullptr) snprintf(programPath, size, "%s", program);
  return outcome;
}

int RunInstallation(InstanceHandle instance, InstallerDataStatus data, const char* preset) {
  const SettingsRecord& settings = InstallerSettings;

  // A damaged installer must be refused before anything at all is written, profile included.
  // When the data is damaged there is no product title to name in the caption.
  if (data == InstallerDataDamaged) {
    ShowMessage(nullptr, kDamagedText, "Installation Failed", kMessageOk | kMessageWarning);
    return 0;
  }
  if (data == InstallerDataNoMemory) {
    ShowFailure(kNoMemoryText);
    return 0;
  }
  if (!LockProduct(false, ProcessIsElevated())) return 0;
  switch (CheckPayloadShowingProgress(instance)) {
    case PayloadDamaged: ShowFailure(kDamagedText); return 0;
    case PayloadNoMemory: ShowFailure(kNoMemoryText); return 0;
    case PayloadDataFileDamaged: {
      char text[kMessageSize];
      snprintf(text, sizeof text, kDataFileDamagedFormat, PayloadTable.dataFileStem, DamagedDataFile() + 1);
      ShowFailure(text);
      return 0;
    }
    case PayloadIntact: break;
  }

  if (ChooseDataDirectory(instance, nullptr, preset) == 0) {
    ShowMessage(nullptr, kNotInstalledText, "Application Not Installed", kMessageOk | kMessageWarning);
    return 0;
  }
  ChangeDirectory(DataDirectory);

  WindowHandle progressWindow = CreateProgressWindow(instance);
  CloseRunningCopies();

  ProgressShown shown = {progressWindow, -1};
  ExtractStatus status = ExtractPayload(&shown, ShowChangedPercent);
  if (status != ExtractComplete) {
    // The progress window stays up under the message until the process ends.
    ShowFailure(FailureText(status));
    RollBackExtraction(nullptr, nullptr);
    return 0;
  }

  DestroyProgressWindow(progressWindow);
  char programPath[kPathSize];
  if (RegisterInstallation(StartupAskUser, ShortcutsThroughShell, programPath, sizeof programPath) == EntryOfAnotherProgram) {
    // The product works, but Installed apps does not list it: the user is told where to remove it.
    char notice[kMessageSize];
    snprintf(notice, sizeof notice, kEntryOfAnotherProgramFormat, settings.appTitle, settings.productId,
             settings.appTitle, settings.groupName);
    ShowMessage(nullptr, notice, "Not Listed in Installed Apps", kMessageOk | kMessageWarning);
  }

  // The missing space after "system." is kept on purpose, as in kNotInstalledText.
  char question[kMessageSize];
  snprintf(question, sizeof question,
           "%s has been successfully installed on your system.Would you like to start %s now?",
           settings.appTitle, settings.appTitle);
  if (ShowMessage(nullptr, question, "Installation Successful", kMessageYesNo) == kAnswerYes) {
    StartProgram(programPath);
  }
  return 0;
}
