// The installation sequence with no window at all, for administrators: its outcome is the exit
// status.
#include <stdio.h>

#include "datadir/data_directory.h"
#include "driver/exit_status.h"
#include "driver/installation.h"
#include "payload/extract.h"
#include "product/installer_settings.h"
#include "shell/close_running_copies.h"
#include "shell/register_shortcuts.h"

namespace {

// Paths are DataDirectory plus a separator and a file name of at most 255 characters.
enum { kPathSize = DataDirectorySize + 1 + 256 };

ExitStatus ExitStatusOf(ExtractStatus status) {
  switch (status) {
    case ExtractComplete: return ExitSuccess;
    case ExtractCannotCreate: return ExitCannotCreate;
    case ExtractWriteFailed: return ExitWriteFailed;
    case ExtractNoMemory: return ExitNoMemory;
    default: return ExitDamaged;
  }
}

}  // namespace

int RunUnattendedInstallation(InstallerDataStatus data, const char* preset, bool startup) {
  // As in the interactive run, a damaged installer writes nothing at all, profile included.
  if (data == InstallerDataDamaged) return ExitDamaged;
  if (data == InstallerDataNoMemory) return ExitNoMemory;
  if (!PayloadIsIntact()) return ExitDamaged;
  if (SettleDataDirectory(preset) == 0) return ExitNoDirectory;

  AskRunningCopiesToQuit();
  const ExtractStatus status = ExtractPayload(nullptr, nullptr);
  if (status != ExtractComplete) {
    RemovePayloadFiles(nullptr, nullptr);
    return ExitStatusOf(status);
  }

  char programPath[kPathSize];
  char uninstallerPath[kPathSize];
  snprintf(programPath, sizeof programPath, "%s\\%s", DataDirectory, InstallerSettings.mainExecutable);
  snprintf(uninstallerPath, sizeof uninstallerPath, "%s\\uninst.exe", DataDirectory);
  RegisterShortcuts(programPath, uninstallerPath, DataDirectory, startup ? StartupAdd : StartupSkip);
  StoreDataDirectory();
  return ExitSuccess;
}
