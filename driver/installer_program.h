// The entry of a prebuilt installer program: its product comes from the data in its own image.
#pragma once
#include "platform/platform_types.h"

/// Finds and reads the program's installer data (FindInstallerData, ReadInstallerData) into
/// InstallerSettings and PayloadTable, then runs the installation with what came of it. A program
/// holding no data says what it is ("Nothing to Install") and installs nothing. `instance` is the
/// program's module (null in the console edition). Always returns 0.
int RunInstallerProgram(InstanceHandle instance);
