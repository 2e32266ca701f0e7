// Cutting product files into 30,000-byte pieces and compressing them in parallel into one blob.
#pragma once
#include <stdint.h>

#include <array>
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

/// A data file the pieces went into: its length and the SHA-256 digest of each of its segments
/// (product/installer_data.h), in order.
struct PackedDataFile {
  uint64_t size = 0;
  std::vector<std::array<unsigned char, 32>> segmentDigests;
};

/// The pieces of every file, indexed [file][piece], in blob order; with data files, the files
/// that hold the blob, in order, and the stem of their names.
struct PackedPayload {
  std::vector<std::vector<PackedPiece>> files;
  uint64_t totalBytes = 0;
  std::vector<PackedDataFile> dataFiles;  // empty: the blob is in the installer itself
  std::string dataFileStem;
};

/// Where the packer's compressed pieces go, one after another in blob order.
class PieceOutput {
 public:
  virtual ~PieceOutput() = default;
  /// Appends the `size` bytes of one piece. Returns false with a one-line `*error` (naming the
  /// file) when they cannot be written or would pass what the output holds.
  virtual bool Append(const unsigned char* bytes, size_t size, std::string* error) = 0;
};

/// The pieces into the open descriptor `fd` (named `path` in messages), which holds at most
/// kMaxPayloadBytes of them: the installer file itself.
class FilePieceOutput : public PieceOutput {
 public:
  FilePieceOutput(int fd, const std::string& path) : fd_(fd), path_(path) {}
  bool Append(const unsigned char* bytes, size_t size, std::string* error) override;

 private:
  int fd_;
  std::string path_;
  uint64_t written_ = 0;
};

/// Opens `path` to check that it can be packed: readable and a regular file (after following
/// symbolic links). Returns true with `*size` set; on failure
/// returns false with `*error` saying why (it names `path`).
bool MeasureSource(const std::string& path, uint64_t* size, std::string* error);

/// Compresses every source in order, each cut into consecutive kPieceSize pieces and each piece
/// one zlib stream at the default level, on `threads` worker threads (at least 1), and appends
/// the pieces in order to `output`. At most a few pieces per thread are held in memory at once;
/// the bytes written do not depend on `threads`. Returns true with `*payload`'s files and total
/// filled (its offsets count from the blob's start). On failure returns false with `*error` set
/// and `*failedFile` the index of the source at fault, or -1 when the fault is not one file's
/// (the output's). A source whose size differs from `size` while it is read is a failure.
bool PackPayload(const std::vector<PackSource>& sources, PieceOutput* output, int threads, PackedPayload* payload,
                 int* failedFile, std::string* error);

/// The same into the open descriptor `outFd` (FilePieceOutput).
bool PackPayload(const std::vector<PackSource>& sources, int outFd, const std::string& outPath,
                 int threads, PackedPayload* payload, int* failedFile, std::string* error);
