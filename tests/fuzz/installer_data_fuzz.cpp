// Fuzzes the installer data reader: arbitrary bytes as the block in a program's image. Whatever
// they say, nothing outside the block may be read; a block the reader accepts must be one whose
// every name, text and piece lies inside it. The first byte, when odd, first makes the metadata
// check agree with the rest, so that the structural checks behind it are reached too.
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "product/installer_data.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// The reader's one allocation, freed after each input.
void* allocated = nullptr;
void* Allocate(size_t size) { return allocated = malloc(size); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool recheck = data[0] & 1;
  ++data;
  --size;
  // An exactly sized, aligned heap block, so that ASan sees any read past its end.
  unsigned char* block = static_cast<unsigned char*>(aligned_alloc(8, (size + 7) & ~size_t{7}));
  memcpy(block, data, size);
  using namespace installer_data;
  if (recheck && size >= kHeaderSize) {
    uint32_t metadataSize = 0;
    memcpy(&metadataSize, block + kMetadataSizeOffset, 4);
    if (metadataSize >= kCheckedFrom && metadataSize <= size) {
      const uint64_t check = PieceCheck(block + kCheckedFrom, metadataSize - kCheckedFrom);
      memcpy(block + kCheckOffset, &check, 8);
    }
  }
  SettingsRecord settings;
  PayloadTableRecord table;
  allocated = nullptr;
  // The pieces are read from the block itself: an offset outside it is a fault of the reader's checks.
  fuzz::UsePieces(block, size);
  const InstallerDataStatus status = ReadInstallerData(block, size, size, fuzz::ReadPieces, Allocate, &settings, &table);
  if (status == InstallerDataRead) {
    // Touch everything the installer will use: every byte of it must lie in the block.
    volatile size_t sink = strlen(settings.groupName) + strlen(settings.appTitle) + strlen(settings.iniFileName) +
                           strlen(settings.startupPrompt) + strlen(settings.mainExecutable);
    for (int i = 0; i < table.fileCount; ++i) {
      sink = sink + strlen(table.fileName[i]);
      for (int j = 0; j < table.chunkCount[i]; ++j) {
        unsigned char piece[ChunkBufferSize];
        if (table.chunkSize[i][j] > sizeof piece || !table.readPieces(table.chunkOffset[i][j], piece, table.chunkSize[i][j])) abort();
        sink = sink + PieceCheck(piece, table.chunkSize[i][j]) + table.chunkCheck[i][j];
      }
    }
    (void)sink;
  }
  free(allocated);
  free(block);
  return 0;
}
