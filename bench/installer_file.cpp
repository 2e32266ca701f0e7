// The benchmarks' way into a finished installer: its product, read from the installer file the
// way the installer program reads its own.
#include "bench/installer_file.h"

#include <stdio.h>
#include <stdlib.h>

#include "driver/installer_data_location.h"
#include "product/installer_data.h"

namespace {
SettingsRecord loadedSettings;
PayloadTableRecord loadedTable;
}  // namespace

const SettingsRecord& InstallerSettings = loadedSettings;
const PayloadTableRecord& PayloadTable = loadedTable;

bool LoadInstallerFile(const std::string& path) {
  uint64_t size = 0;
  if (!OpenInstallerDataFile(path.c_str(), &size) ||
      ReadOpenInstallerData(size, malloc, &loadedSettings, &loadedTable) != InstallerDataRead) {
    fprintf(stderr, "%s: not a native installer with readable data\n", path.c_str());
    return false;
  }
  return true;
}
