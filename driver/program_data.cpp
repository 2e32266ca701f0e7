// The prebuilt programs' own product: the settings record and the payload table are read from
// the installer data block in their image at start-up. Compiled into the installer and
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
  const unsigned char* block = nullptr;
  size_t size = 0;
  if (!FindInstallerData(instance, &block, &size)) return false;
  *status = ReadInstallerData(block, size, AllocateMemory, &loadedSettings, &loadedTable);
  return true;
}
