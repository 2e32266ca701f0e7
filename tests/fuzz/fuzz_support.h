// Helpers shared by the fuzz targets: a private scratch folder and slicing of the fuzzer's bytes.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "product/installer_settings.h"
#include "product/payload_table.h"

namespace fuzz {

/// Reads the fuzzer's bytes front to back; running out yields empty texts and zero numbers, so
/// every input, however short, is a valid script.
struct Input {
  const uint8_t* data;
  size_t size;

  /// One byte, or 0 when none is left.
  uint8_t Byte();
  /// Up to `limit` bytes up to the next byte equal to `end` (consumed, not returned).
  std::string Text(uint8_t end = 0, size_t limit = 1u << 20);
  /// Everything that is left.
  std::string Rest();
};

/// Creates (once per process, with MakeScratchFolder) a scratch folder with the profile folder,
/// a home and the folders of drives C and D inside, points XDG_CONFIG_HOME, HOME and
/// INSTALLER_DRIVES at them and returns its path; it is removed at exit.
const std::string& ScratchFolder();

/// Returns to the directory the process started in, which libFuzzer's relative paths expect.
void RestoreDirectory();

/// The pieces' data of the input being run: `size` bytes at `data`, which ReadPieces reads by
/// offset as an installer reads its file. A read outside them aborts: it is a fault of the code
/// that asked for it.
void UsePieces(const unsigned char* data, size_t size);
bool ReadPieces(uint64_t offset, unsigned char* into, uint32_t size);

/// The settings and payload table the installer code sees inside a fuzz target.
extern SettingsRecord Settings;
extern PayloadTableRecord Table;

}  // namespace fuzz
