// Cutting product files into 30,000-byte pieces and compressing them in parallel into one blob.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

/// One source file to pack, with the size measured before packing started.
struct PackSource {
  std::string path;
  uint64_t size = 0;
};

/// Where one compressed piece landed in the blob, and its PieceCheck.
struct PackedPiece {
  uint64_t offset = 0;
  uint32_t size = 0;
  uint64_t check = 0;
};

/// The pieces of every file, indexed [file][piece], in blob order.
struct PackedPayload {
  std::vector<std::vector<PackedPiece>> files;
  uint64_t totalBytes = 0;
};

/// Opens `path` to check that it can be packed: readable, a regular file (after following
/// symbolic links) and at most kMaxFileBytes long. Returns true with `*size` set; on failure
/// returns false with `*error` saying why (it names `path`).
bool MeasureSource(const std::string& path, uint64_t* size, std::string* error);

/// Compresses every source in order, each cut into consecutive kPieceSize pieces and each piece
/// one zlib stream at the default level, on `threads` worker threads (at least 1), and writes
/// the pieces in order to the open descriptor `outFd` (named `outPath` in messages). At most a
/// few pieces per thread are held in memory at once; the bytes written do not depend on
/// `threads`. Returns true with `*payload` filled. On failure returns false with `*error` set
/// and `*failedFile` the index of the source at fault, or -1 when the fault is not one file's
/// (writing the blob, or the compressed total passing kMaxPayloadBytes). A source whose size
/// differs from `size` while it is read is a failure.
bool PackPayload(const std::vector<PackSource>& sources, int outFd, const std::string& outPath,
                 int threads, PackedPayload* payload, int* failedFile, std::string* error);
