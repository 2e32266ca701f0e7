// Reading the installer data block back into the settings record and the payload table.
#include "product/installer_data.h"

#include <string.h>

#include "product/names.h"

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "the table's size and check arrays point straight into the little-endian block");

using namespace installer_data;

namespace {

uint32_t Read32(const unsigned char* at) {
  return (uint32_t)at[0] | ((uint32_t)at[1] << 8) | ((uint32_t)at[2] << 16) | ((uint32_t)at[3] << 24);
}

uint64_t Read64(const unsigned char* at) { return (uint64_t)Read32(at) | ((uint64_t)Read32(at + 4) << 32); }

uint64_t AlignUp8(uint64_t value) { return (value + 7) & ~(uint64_t)7; }

// The text whose {offset, length} reference is at `reference`, or null when it does not lie in
// the text area [textsBegin, metadataSize), is not followed by its terminator there, or holds a
// zero of its own.
const char* TextAt(const unsigned char* block, const unsigned char* reference, uint64_t textsBegin,
                   uint64_t metadataSize) {
  const uint64_t offset = Read32(reference);
  const uint64_t length = Read32(reference + 4);
  if (offset < textsBegin || offset + length >= metadataSize) return nullptr;
  const unsigned char* text = block + offset;
  if (text[length] != 0 || memchr(text, 0, (size_t)length) != nullptr) return nullptr;
  return reinterpret_cast<const char*>(text);
}


}  // namespace

uint32_t MetadataSizeInHeader(const unsigned char* header) { return Read32(header + kMetadataSizeOffset); }

InstallerDataStatus ReadInstallerData(const unsigned char* block, size_t size, uint64_t blockBytes,
                                      PieceReader readPieces, void* (*allocate)(size_t), SettingsRecord* settings,
                                      PayloadTableRecord* table) {
  // The header, and the sizes it gives, against the bytes present.
  if (block == nullptr || size < kHeaderSize || ((uintptr_t)block & 7) != 0) return InstallerDataDamaged;
  const uint32_t version = Read32(block + kVersionOffset);
  if (memcmp(block, kMagic, sizeof kMagic) != 0 || (version != kFormatVersion && version != kBareNamesFormatVersion) ||
      Read32(block + kHeaderSizeOffset) != kHeaderSize) {
    return InstallerDataDamaged;
  }
  // Paths below the data directory in format 3, bare names in format 2.
  NameProblem (*const fileRule)(const char*) = version == kFormatVersion ? PayloadPathProblem : FileNameProblem;
  NameProblem (*const mainRule)(const char*) = version == kFormatVersion ? MainExecutableProblem : FileNameProblem;
  for (uint32_t at = kReservedOffset; at < kHeaderSize; ++at) {
    if (block[at] != 0) return InstallerDataDamaged;
  }
  const uint64_t blockSize = Read64(block + kBlockSizeOffset);
  const uint64_t metadataSize = Read32(block + kMetadataSizeOffset);
  const uint32_t fileCount = Read32(block + kFileCountOffset);
  const uint32_t pieceCount = Read32(block + kPieceCountOffset);
  const uint32_t dataFileCount = Read32(block + kDataFileCountOffset);
  if (blockSize > blockBytes || metadataSize > size || metadataSize > blockSize || metadataSize % 8 != 0 ||
      fileCount > kMaxFiles || pieceCount > kMaxPieces || dataFileCount > kMaxDataFiles) {
    return InstallerDataDamaged;
  }
  // The counts fix where every array lies; the bounds above keep this arithmetic far from
  // overflowing 64 bits.
  const uint64_t dataFilesBegin = AlignUp8(kFilesOffset + (uint64_t)kFileRecordSize * fileCount);
  const uint64_t dataFileSizesBegin = dataFilesBegin + 8;
  const uint64_t dataFileDigestsBegin = dataFileSizesBegin + 8ull * dataFileCount;
  // The data files' lengths fix how many digests follow them. No data file holds more than every
  // piece at its longest, which bounds the sums.
  uint64_t dataSize = 0;
  uint64_t segmentCount = 0;
  if (dataFileCount > 0 && dataFileDigestsBegin > metadataSize) return InstallerDataDamaged;
  for (uint32_t k = 0; k < dataFileCount; ++k) {
    const uint64_t fileSize = Read64(block + dataFileSizesBegin + 8ull * k);
    if (fileSize == 0 || fileSize > (uint64_t)kMaxPieces * ChunkBufferSize) return InstallerDataDamaged;
    dataSize += fileSize;
    segmentCount += DataSegmentCount(fileSize);
  }
  const uint64_t checksBegin =
      dataFileCount > 0 ? dataFileDigestsBegin + (uint64_t)kDataFileDigestSize * segmentCount : dataFilesBegin;
  const uint64_t sizesBegin = checksBegin + 8ull * pieceCount;
  const uint64_t textsBegin = sizesBegin + 4ull * pieceCount;
  if (textsBegin > metadataSize) return InstallerDataDamaged;
  if (PieceCheck(block + kCheckedFrom, (size_t)(metadataSize - kCheckedFrom)) != Read64(block + kCheckOffset)) {
    return InstallerDataDamaged;
  }

  // The settings.
  const char* texts[kSettingsTextCount];
  for (uint32_t i = 0; i < kSettingsTextCount; ++i) {
    texts[i] = TextAt(block, block + kSettingsOffset + 8ull * i, textsBegin, metadataSize);
    if (texts[i] == nullptr) return InstallerDataDamaged;
  }
  // The packaging tool writes UTF-8 only, and names by the rules of product/names.h; a block that
  // says otherwise was not written by it (a file name must not name another directory, a device
  // or a file Windows would write under another name).
  for (uint32_t i = 0; i < kSettingsTextCount; ++i) {
    if (!IsValidUtf8(texts[i], strlen(texts[i]))) return InstallerDataDamaged;
  }
  if (GroupNameProblem(texts[0]).kind != NameFine || TitleProblem(texts[1]).kind != NameFine ||
      FileNameProblem(texts[2]).kind != NameFine || mainRule(texts[4]).kind != NameFine ||
      ProductIdProblem(texts[5]).kind != NameFine) {
    return InstallerDataDamaged;
  }

  // The files: names, and piece counts that split the pieces among them exactly.
  uint64_t piecesSeen = 0;
  for (uint32_t i = 0; i < fileCount; ++i) {
    const unsigned char* record = block + kFilesOffset + (uint64_t)kFileRecordSize * i;
    const char* name = TextAt(block, record, textsBegin, metadataSize);
    if (name == nullptr || fileRule(name).kind != NameFine) return InstallerDataDamaged;
    piecesSeen += Read32(record + 8);
  }
  if (piecesSeen != pieceCount) return InstallerDataDamaged;

  // The pieces fill the rest of the block exactly, each no longer than a buffer (the extraction
  // reads a piece whole into one).
  uint64_t piecesSize = 0;
  for (uint32_t j = 0; j < pieceCount; ++j) {
    const uint32_t pieceSize = Read32(block + sizesBegin + 4ull * j);
    if (pieceSize > ChunkBufferSize) return InstallerDataDamaged;
    piecesSize += pieceSize;
  }
  // With data files the pieces fill them, and the block ends with its metadata. Their stem makes
  // names in the program's own folder: a bare name, by the rules of the product's files.
  const char* dataFileStem = nullptr;
  if (dataFileCount > 0) {
    dataFileStem = TextAt(block, block + dataFilesBegin, textsBegin, metadataSize);
    if (dataFileStem == nullptr || FileNameProblem(dataFileStem).kind != NameFine || blockSize != metadataSize ||
        piecesSize != dataSize) {
      return InstallerDataDamaged;
    }
  } else if (piecesSize != blockSize - metadataSize) {
    return InstallerDataDamaged;
  }

  settings->groupName = texts[0];
  settings->appTitle = texts[1];
  settings->iniFileName = texts[2];
  settings->offerStartupGroup = (int32_t)Read32(block + kOfferStartupOffset);
  settings->startupPrompt = texts[3];
  settings->mainExecutable = texts[4];
  settings->productId = texts[5];
  settings->productName = texts[6];
  settings->version = texts[7];
  settings->publisher = texts[8];
  settings->urlInfoAbout = texts[9];
  settings->helpLink = texts[10];
  settings->installedSize = Read64(block + kInstalledSizeOffset);

  // One allocation holds the offset of every piece and the per-file arrays. Every count is bounded
  // by the metadata's own size, so the total cannot overflow a size_t.
  const size_t pointerArrays = (size_t)fileCount * 4;  // chunkOffset, chunkSize, fileName, chunkCheck
  void* storage = allocate((size_t)pieceCount * sizeof(uint64_t) + pointerArrays * sizeof(void*) +
                           (size_t)fileCount * sizeof(int32_t) + 1);
  if (storage == nullptr) return InstallerDataNoMemory;
  uint64_t* pieceOffsets = static_cast<uint64_t*>(storage);
  const uint64_t** chunkOffset = reinterpret_cast<const uint64_t**>(pieceOffsets + pieceCount);
  const uint32_t** chunkSize = reinterpret_cast<const uint32_t**>(chunkOffset + fileCount);
  const char** fileName = reinterpret_cast<const char**>(chunkSize + fileCount);
  const uint64_t** chunkCheck = reinterpret_cast<const uint64_t**>(fileName + fileCount);
  int32_t* chunkCount = reinterpret_cast<int32_t*>(chunkCheck + fileCount);

  const uint32_t* sizes = reinterpret_cast<const uint32_t*>(block + sizesBegin);
  const uint64_t* checks = reinterpret_cast<const uint64_t*>(block + checksBegin);
  uint64_t pieceOffset = dataFileCount > 0 ? 0 : metadataSize;
  uint32_t firstPiece = 0;
  for (uint32_t i = 0; i < fileCount; ++i) {
    const unsigned char* record = block + kFilesOffset + (uint64_t)kFileRecordSize * i;
    const uint32_t count = Read32(record + 8);
    fileName[i] = TextAt(block, record, textsBegin, metadataSize);
    chunkCount[i] = (int32_t)count;
    chunkOffset[i] = pieceOffsets + firstPiece;
    chunkSize[i] = sizes + firstPiece;
    chunkCheck[i] = checks + firstPiece;
    for (uint32_t j = firstPiece; j < firstPiece + count; ++j) {
      pieceOffsets[j] = pieceOffset;
      pieceOffset += sizes[j];
    }
    firstPiece += count;
  }
  table->fileCount = (int32_t)fileCount;
  table->chunkOffset = chunkOffset;
  table->chunkSize = chunkSize;
  table->fileName = fileName;
  table->chunkCount = chunkCount;
  table->chunkCheck = chunkCheck;
  table->readPieces = readPieces;
  table->dataFileCount = (int32_t)dataFileCount;
  table->dataFileSize = dataFileCount > 0 ? reinterpret_cast<const uint64_t*>(block + dataFileSizesBegin) : nullptr;
  table->dataSegmentDigest = dataFileCount > 0 ? block + dataFileDigestsBegin : nullptr;
  table->dataFileStem = dataFileStem;
  return InstallerDataRead;
}
