// The prebuilt installer program's own product: the settings record and the payload table are
// read from the installer data block in its image at start-up. Compiled into the installer
// programs only; unit tests supply the records themselves.
#include "driver/installer_program.h"

#include "driver/installation.h"
#include "driver/installer_data_location.h"
#include "platform/message_box.h"
#include "platform/system.h"
#include "product/installer_data.h"

namespace {

// Filled in once at start-up, read-only from then on.
SettingsRecord loadedSettings;
PayloadTableRecord loadedTable;

// Shown by a program nobody has packaged a product into. The packaging tool recognises its
// programs, and their target, by the first part of this text.
const char kNoProductText[] =
    INSTALLER_PROGRAM_MARKER INSTALLER_TARGET ") with no product in it. Package a product into it with instpack "
    "to make an installer.";

}  // namespace

const SettingsRecord& InstallerSettings = loadedSettings;
const PayloadTableRecord& PayloadTable = loadedTable;

int RunInstallerProgram(InstanceHandle instance) {
  const unsigned char* block = nullptr;
  size_t size = 0;
  if (!FindInstallerData(instance, &block, &size)) {
    ShowMessage(nullptr, kNoProductText, "Nothing to Install", kMessageOk | kMessageWarning);
    return 0;
  }
  return RunInstallation(instance, ReadInstallerData(block, size, AllocateMemory, &loadedSettings, &loadedTable));
}
