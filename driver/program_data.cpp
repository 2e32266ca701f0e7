// The prebuilt programs' own product: the settings record and the payload table are read from
// the installer data block in their file at start-up. Compiled into the installer and
// uninstaller programs only; unit tests supply the records themselves.
#include "driver/installer_data_location.h"
#include "driver/program.h"
#include "platform/system.h"
#include "product/installer_data.h"

namespace {

// Filled in once at start-up, read-only from then on.
SettingsRecord loadedSettings;
PayloadTableRecord loadedTable;

}  // namespace

const SettingsRecord& InstallerSettings = loadedSettings;
const PayloadTableRecord& PayloadTable = loadedTable;

bool LoadProgramData(InstanceHandle instance, InstallerDataStatus* status) {
  uint64_t size = 0;
  if (!OpenInstallerData(instance, &size)) return false;
  *status = ReadOpenInstallerData(size, AllocateMemory, &loadedSettings, &loadedTable);
  // A product without pieces (the uninstaller's) needs its file no more.
  bool anyPiece = false;
  for (int i = 0; *status == InstallerDataRead && i < loadedTable.fileCount; ++i) {
    anyPiece = anyPiece || loadedTable.chunkCount[i] > 0;
  }
  if (!anyPiece) CloseInstallerData();
  return true;
}
