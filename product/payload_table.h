// The compiled-in table of product files, each stored as a series of zlib-compressed pieces.
#pragma once
#include <stddef.h>
#include <stdint.h>

/// Uncompressed size of every piece but a file's last.
enum : uint32_t { kPieceSize = 30000u };

/// Size of a decompression buffer; no piece may expand beyond it, nor be longer compressed
/// (deflate's worst case for kPieceSize bytes is 30,024).
enum : uint32_t { ChunkBufferSize = 32000u };

/// Reads the `size` bytes at `offset` of the pieces' data into `into`; true when every byte was
/// read. May be called from several threads at once.
typedef bool (*PieceReader)(uint64_t offset, unsigned char* into, uint32_t size);

/// A count and parallel arrays indexed by file number, in installation order. The pieces are not
/// in memory: `readPieces` fetches them by their offset, so that no address space or memory
/// grows with the product.
struct PayloadTableRecord {
  int32_t fileCount;
  const uint64_t* const* chunkOffset;            // [file][chunk]: where each zlib stream begins
  const uint32_t* const* chunkSize;              // [file][chunk]: compressed length in bytes
  const char* const* fileName;                   // [file]: bare name written into the current directory
  const int32_t* chunkCount;                     // [file]: number of chunks
  const uint64_t* const* chunkCheck;             // [file][chunk]: PieceCheck of the compressed bytes
  PieceReader readPieces;                        // null when no file has a piece
  // Data files beside the program, which then hold the pieces instead of its own file: an offset
  // counts from the start of the first across them all (product/installer_data.h).
  int32_t dataFileCount;                         // 0: the pieces are in the program's own file
  const uint64_t* dataFileSize;                  // [data file]: its length in bytes
  const unsigned char* dataSegmentDigest;        // [segment * 32]: SHA-256 of each segment of each data
                                                 // file in turn (product/installer_data.h)
  const char* dataFileStem;                      // data file n is "<stem>-<n + 1>.bin"
};

/// The table of this build, read-only for the whole run (a reference for the same reason as
/// InstallerSettings: the generated source or a test supplies it).
extern const PayloadTableRecord& PayloadTable;

/// Checksum recorded for each piece by the packaging tool and verified before extraction, so
/// that a damaged installer is refused instead of installing garbage. Any change to a single
/// aligned 8-byte word, and any change of length, alters the result.
uint64_t PieceCheck(const unsigned char* data, size_t size);
