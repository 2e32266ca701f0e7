// The benchmarks' way into a finished installer: its product, read from the installer file.
#pragma once
#include <string>

/// Maps the native installer `path` (written by instpack --target native) and reads its installer
/// data into the InstallerSettings and PayloadTable this benchmark program defines. Returns false,
/// with the reason printed, when the file holds no readable data.
bool LoadInstallerFile(const std::string& path);
