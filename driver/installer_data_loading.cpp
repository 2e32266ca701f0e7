// Reading the metadata of the program's own installer data block from its file.
#include "driver/installer_data_location.h"

InstallerDataStatus ReadOpenInstallerData(uint64_t size, void* (*allocate)(size_t), SettingsRecord* settings,
                                          PayloadTableRecord* table) {
  unsigned char header[installer_data::kHeaderSize];
  if (size < sizeof header || !ReadInstallerBytes(0, header, sizeof header)) return InstallerDataDamaged;
  // The metadata size is checked against the block by ReadInstallerData; here only so far that
  // no more is read than the file holds.
  const uint32_t metadataSize = MetadataSizeInHeader(header);
  if (metadataSize < sizeof header || metadataSize > size) return InstallerDataDamaged;
  unsigned char* metadata = static_cast<unsigned char*>(allocate(metadataSize));
  if (metadata == nullptr) return InstallerDataNoMemory;
  if (!ReadInstallerBytes(0, metadata, metadataSize)) return InstallerDataDamaged;
  return ReadInstallerData(metadata, metadataSize, size, ReadInstallerBytes, allocate, settings, table);
}
