// The installer data: one block holding the settings record, the payload table and every piece,
// which the packaging tool writes into a prebuilt installer program and the program reads back.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "product/installer_settings.h"
#include "product/payload_table.h"

// Layout of the block (every integer little-endian, every offset from the block's start):
//
//   header, 64 bytes:
//     0  magic "INSTDATA"             8  u64 metadata check (PieceCheck of [16, metadataSize))
//    16  u32 format version (2 or 3) 20  u32 header size (64)
//    24  u64 block size              32  u32 metadata size (where the pieces begin; multiple of 8)
//    36  u32 file count              40  u32 piece count
//    44  i32 offerStartupGroup       48  u64 installedSize
//    56  u32 data file count (0: the pieces are in the block)    60  4 bytes reserved, zero
//   settings texts, 88 bytes: {u32 offset, u32 length} of groupName, appTitle, iniFileName,
//     startupPrompt, mainExecutable, productId, productName, version, publisher, urlInfoAbout,
//     helpLink
//   files, 12 bytes each: {u32 name offset, u32 name length, u32 piece count}, in table order;
//     a name is a bare file name in format 2, and in format 3 a path below the data directory
//     (names separated by '\', PayloadPathProblem), as is mainExecutable. The packaging tool
//     writes format 2 whenever every name is bare, so those installers' data stays as it was.
//   zeros up to a multiple of 8; with data files, then {u32 offset, u32 length} of their names'
//     stem, the size of each (u64), and the SHA-256 digest (32 bytes) of each segment of each:
//     the kDataSegmentSize bytes from each multiple of it in the file (the last one shorter), in
//     the files' order and then the segments', so that the installer can check several segments
//     of one large file at once
//   the piece checks (u64 each, PieceCheck of the piece), then the piece sizes (u32 each), both
//     in table order
//   texts: each zero-terminated, holding no other zero; zeros up to the metadata size
//   pieces: each a complete zlib stream, back to back in table order, up to the block size.
//     With data files the block ends with its metadata, and the pieces fill the data files
//     instead: <stem>-1.bin, <stem>-2.bin ... beside the program, back to back in that order,
//     each file exactly its recorded size; a piece's offset then counts from the start of the
//     first data file, across them all.
//
// Nothing in the block is an address, so it reads the same wherever it is. A block without data
// files has the bytes it had before data files existed.
namespace installer_data {
constexpr char kMagic[8] = {'I', 'N', 'S', 'T', 'D', 'A', 'T', 'A'};
enum : uint32_t {
  kBareNamesFormatVersion = 2,
  kFormatVersion = 3,
  kHeaderSize = 64,
  kCheckOffset = 8,
  kCheckedFrom = 16,  // the metadata check covers everything after itself up to the pieces
  kVersionOffset = 16,
  kHeaderSizeOffset = 20,
  kBlockSizeOffset = 24,
  kMetadataSizeOffset = 32,
  kFileCountOffset = 36,
  kPieceCountOffset = 40,
  kOfferStartupOffset = 44,
  kInstalledSizeOffset = 48,
  kDataFileCountOffset = 56,
  kReservedOffset = 60,
  kSettingsOffset = 64,
  kSettingsTextCount = 11,
  kFilesOffset = kSettingsOffset + 8 * kSettingsTextCount,
  kFileRecordSize = 12,
  // Far more than any installer holds; bounds the arithmetic before the block's size does.
  kMaxFiles = 1u << 20,
  kMaxPieces = 1u << 26,
  // Every data file is open from the check to the end of the extraction; a thousand stay well
  // inside any process's limit on open files.
  kMaxDataFiles = 1000,
  kDataFileDigestSize = 32,
  kDataSegmentSize = 16u << 20,
};

/// The number of segments of a data file of `size` bytes, each with its own digest.
inline uint64_t DataSegmentCount(uint64_t size) { return (size + kDataSegmentSize - 1) / kDataSegmentSize; }
}  // namespace installer_data

/// The text every prebuilt installer program shows when started with no data in it, as a string
/// literal: the version of instpack it belongs to, the installer data format it reads and its
/// target's name ("win32", "win64" or "native"), each a string literal. The packaging tool
/// recognises its programs by this text, and takes only those of its own version, format and
/// target; a change of the format number here is enough for it to refuse the programs of the
/// old format. Format 4: the block follows the image (format 3's programs found it in a section
/// of their image); the block itself is the same, of version 2 or 3.
#define INSTALLER_PROGRAM_MARKER(version, target) \
  "This is an installer program of instpack " version " (installer data format 4, " target ")"

/// The same for the prebuilt uninstaller programs, which instpack fills in with a block whose
/// files have no pieces (their names only) and puts into an installer as its uninst.exe.
#define UNINSTALLER_PROGRAM_MARKER(version, target) \
  "This is an uninstaller program of instpack " version " (installer data format 4, " target ")"

/// Where the block lies. A Windows installer holds it after the last section of its image, where
/// the loader maps nothing and the signature's hash still covers it, at the file offset where the
/// last section's bytes end (a multiple of the file alignment); the signature, if any, follows it.
/// The native one ends in a trailer after the block: its magic, then the block's offset in the
/// file and its size (u64 each).
namespace installer_data {
constexpr char kTrailerMagic[8] = {'I', 'N', 'S', 'T', 'T', 'A', 'I', 'L'};
enum : uint32_t { kTrailerSize = 24 };
}  // namespace installer_data

/// What ReadInstallerData made of a block.
enum InstallerDataStatus {
  InstallerDataRead = 0,      // the records are filled in
  InstallerDataDamaged = 1,   // the block is not one the packaging tool wrote (or was changed since)
  InstallerDataNoMemory = 2,  // the table's arrays could not be allocated; `settings` is filled in
};

/// The metadata size the 64-byte `header` of a block gives: how many bytes of the block's start
/// ReadInstallerData needs (unchecked; ReadInstallerData checks it).
uint32_t MetadataSizeInHeader(const unsigned char* header);

/// Reads the first `size` bytes of a block of `blockBytes` bytes, at `block` (8-byte aligned: the
/// table points into it), into `settings` and `table`, without writing to them. Checks everything
/// the installer will rely on before any of it is used: the layout and every count, offset and
/// length against the bytes present (the metadata must lie whole in `size`, the block in
/// `blockBytes`), the metadata check over the header, settings and table, that the piece sizes
/// add up to the block and none is longer than ChunkBufferSize, and that every text ends inside
/// the metadata and every file name is a bare name (format 2) or a path below the data directory
/// (format 3), and that data files, if any, are named by a bare stem, and the pieces fill them
/// exactly while the block holds none. Whatever the bytes say, nothing outside [block, block + size) is read. The pieces
/// themselves are not read here: the table gives their offsets from the block's start, for
/// `readPieces`, which goes into the table (CheckPayload checks them). The table's arrays come
/// from `allocate` (one call) and live for the rest of the process; the texts and the size and
/// check arrays point into `block`, which must stay as long.
InstallerDataStatus ReadInstallerData(const unsigned char* block, size_t size, uint64_t blockBytes,
                                      PieceReader readPieces, void* (*allocate)(size_t), SettingsRecord* settings,
                                      PayloadTableRecord* table);
