// The installation sequence with no window at all, for administrators: its outcome is the exit
// status.
#include "datadir/data_directory.h"
#include "product/exit_status.h"
#include "driver/installation.h"
#include "driver/product_lock.h"
#include "payload/extract.h"
#include "payload/payload_check.h"
#include "platform/system.h"
#include "shell/close_running_copies.h"

namespace {

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
  if (!LockProduct(true, ProcessIsElevated())) return ExitBusy;
  switch (CheckPayload()) {
    case PayloadDamaged: return ExitDamaged;
    case PayloadNoMemory: return ExitNoMemory;
    case PayloadDataFileDamaged: return ExitDataFileDamaged;
    case PayloadIntact: break;
  }
  switch (SettleDataDirectory(preset)) {
    case DirectoryUnusable: return ExitNoDirectory;
    case DirectoryOpenToOthers: return ExitOpenToOthers;
    case DirectorySettled: break;
  }

  AskRunningCopiesToQuit();
  const ExtractStatus status = ExtractPayload(nullptr, nullptr);
  if (status != ExtractComplete) {
    RollBackExtraction(nullptr, nullptr);
    return ExitStatusOf(status);
  }

  RegisterInstallation(startup ? StartupAdd : StartupSkip, ShortcutsWithoutWindows, nullptr, 0);
  return ExitSuccess;
}
