// Data files beside the installer, for products larger than one installer file holds: the size a
// publisher asks for, their names, and writing the compressed pieces into them.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

#include "product/sha256.h"
#include "tools/pack/image/packer.h"

/// The least size of a data file: a few pieces (no piece is split between two files).
enum : uint64_t { kMinDataFileSize = 65536 };

/// Reads the SIZE of --data-files: a whole number of bytes, or of KiB, MiB or GiB with a K, M or
/// G after it (either case), from kMinDataFileSize up. Returns false with a one-line `*error`.
bool ParseDataFileSize(const std::string& text, uint64_t* size, std::string* error);

/// The stem of the names of the data files of the installer at `installerPath`: its file name
/// without a final ".exe" of any case ("setup.exe" has setup-1.bin, setup-2.bin ...).
std::string DataFileStem(const std::string& installerPath);

/// The path of data file `number` (from 1) of the installer at `installerPath`, in its folder.
std::string DataFilePath(const std::string& installerPath, size_t number);

/// Puts the pieces into data files of at most `limit` bytes each, filled in order (a piece that
/// would pass the limit begins the next file), each written under its path with `suffix` until
/// Keep. More than kMaxDataFiles files fail the run. The SHA-256 digest of every segment of every
/// file is taken as it is written.
class DataFileOutput : public PieceOutput {
 public:
  DataFileOutput(const std::string& installerPath, const std::string& suffix, uint64_t limit)
      : installerPath_(installerPath), suffix_(suffix), limit_(limit) {}
  ~DataFileOutput() override;
  DataFileOutput(const DataFileOutput&) = delete;
  DataFileOutput& operator=(const DataFileOutput&) = delete;

  bool Append(const unsigned char* bytes, size_t size, std::string* error) override;

  /// Closes the last file. Returns false with `*error` when it cannot be written whole.
  bool Finish(std::string* error);

  /// The files written so far, in order; whole only after Finish.
  const std::vector<PackedDataFile>& Files() const { return files_; }

  /// Renames each file written to its path. Returns false with `*error` at the first that cannot
  /// be; the rest stay under their temporary names for Discard.
  bool Keep(std::string* error);

  /// Removes every file still under its temporary name.
  void Discard();

 private:
  bool CloseCurrent(std::string* error);
  void FinishSegment();
  std::string TemporaryPath(size_t number) const { return DataFilePath(installerPath_, number) + suffix_; }

  std::string installerPath_;
  std::string suffix_;
  uint64_t limit_;
  std::vector<PackedDataFile> files_;
  size_t kept_ = 0;  // files renamed to their paths
  int fd_ = -1;      // the last file while it is written
  Sha256State digest_ = {};  // of the segment being written
};
