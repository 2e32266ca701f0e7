// The entry of a prebuilt program, the installer or the uninstaller: its product comes from the
// data in its own image, its options from its command line.
#pragma once
#include "platform/platform_types.h"
#include "product/installer_data.h"

/// Runs the program. `instance` is its module (null in the console edition); `arguments` is its
/// command line after its own name (ArgumentsOf). Returns the process's exit status. Each
/// program defines it: installer_program.cpp and uninstaller_program.cpp.
int RunProgram(InstanceHandle instance, const char* arguments);

/// Finds and reads the program's own data (OpenInstallerData, ReadOpenInstallerData) into
/// InstallerSettings and PayloadTable, which it defines for the programs. Returns false when the
/// program holds no data at all (nobody has packaged a product into it); else true, with
/// `*status` what came of reading it.
bool LoadProgramData(InstanceHandle instance, InstallerDataStatus* status);
