// Reading the metadata of the program's own installer data block from its file, and the pieces
// from the data files beside it when they hold them.
#include "driver/installer_data_location.h"

#include <stdio.h>

namespace {

// The data files, open from OpenDataFiles on; read-only afterwards, so any thread may read.
int dataFileCount = 0;
intptr_t* dataFileHandles = nullptr;  // [data file]: -1 when it could not be opened
uint64_t* dataFileStarts = nullptr;   // [data file]: its first byte's offset; one more entry for the end

}  // namespace

bool OpenDataFiles(PayloadTableRecord* table, void* (*allocate)(size_t)) {
  const int count = table->dataFileCount;
  void* storage = allocate((size_t)count * (sizeof(intptr_t) + sizeof(uint64_t)) + sizeof(uint64_t));
  if (storage == nullptr) return false;
  dataFileStarts = static_cast<uint64_t*>(storage);
  dataFileHandles = reinterpret_cast<intptr_t*>(dataFileStarts + count + 1);
  uint64_t start = 0;
  for (int k = 0; k < count; ++k) {
    // A stem is a file name (at most 255 bytes), and the number has at most four digits.
    char name[256 + 16];
    snprintf(name, sizeof name, "%s-%d.bin", table->dataFileStem, k + 1);
    dataFileStarts[k] = start;
    dataFileHandles[k] = OpenFileBesideProgram(name, table->dataFileSize[k]);
    start += table->dataFileSize[k];
  }
  dataFileStarts[count] = start;
  dataFileCount = count;
  table->readPieces = ReadDataFileBytes;
  return true;
}

bool ReadDataFileBytes(uint64_t offset, unsigned char* into, uint32_t size) {
  // The data file that holds `offset`: the last whose start is not past it.
  int low = 0, high = dataFileCount;
  while (high - low > 1) {
    const int middle = low + (high - low) / 2;
    if (dataFileStarts[middle] <= offset) low = middle; else high = middle;
  }
  for (int k = low; size > 0; ++k) {
    if (k >= dataFileCount || dataFileHandles[k] == -1 || offset >= dataFileStarts[k + 1]) return false;
    const uint64_t within = offset - dataFileStarts[k];
    const uint64_t left = dataFileStarts[k + 1] - offset;
    const uint32_t part = left < size ? (uint32_t)left : size;
    if (!ReadFileAt(dataFileHandles[k], within, into, part)) return false;
    offset += part, into += part, size -= part;
  }
  return true;
}

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
  const InstallerDataStatus status =
      ReadInstallerData(metadata, metadataSize, size, ReadInstallerBytes, allocate, settings, table);
  if (status != InstallerDataRead || table->dataFileCount == 0) return status;
  return OpenDataFiles(table, allocate) ? InstallerDataRead : InstallerDataNoMemory;
}
