// The compiled-in table of product files, each stored as a series of zlib-compressed pieces.
#pragma once
#include <stddef.h>
#include <stdint.h>

/// Uncompressed size of every piece but a file's last.
enum : uint32_t { kPieceSize = 30000u };

/// Size of the one decompression buffer; no piece may expand beyond it.
enum : uint32_t { ChunkBufferSize = 32000u };

/// A count and parallel arrays indexed by file number, in installation order.
struct PayloadTableRecord {
  int32_t fileCount;
  const unsigned char* const* const* chunkData;  // [file][chunk]: start of each zlib stream
  const uint32_t* const* chunkSize;              // [file][chunk]: compressed length in bytes
  const char* const* fileName;                   // [file]: bare name written into the current directory
  const int32_t* chunkCount;                     // [file]: number of chunks
  const uint64_t* const* chunkCheck;             // [file][chunk]: PieceCheck of the compressed bytes
};

/// The table of this build, read-only for the whole run (a reference for the same reason as
/// InstallerSettings: the generated source or a test supplies it).
extern const PayloadTableRecord& PayloadTable;

/// Checksum recorded for each piece by the packaging tool and verified before extraction, so
/// that a damaged installer is refused instead of installing garbage. Any change to a single
/// aligned 8-byte word, and any change of length, alters the result.
uint64_t PieceCheck(const unsigned char* data, size_t size);
