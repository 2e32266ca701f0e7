// Changeable settings and payload tables for unit tests, standing in for the generated ones.
#include <stdlib.h>
#include <zlib.h>

#include <string.h>

#include <algorithm>

#include "tests/support/fakes.h"

namespace fake {
namespace {

const SettingsRecord kTovalinSettings = {
    "Tovalin", "Tovalin", "tovalin2.ini", 0,
    "This application is much more useful if it can run at scheduled times. In order to do this, it "
    "must be installed in your startup folder. Do you want Velbrook to be installed in your startup "
    "folder?",
    "tov32.exe", "Tovalin", "Tovalin", "2.1.0", "Velbrook", "", "", 417406};

// Storage behind the table's pointers, rebuilt by UseFiles.
std::vector<std::string> names;
std::vector<std::vector<std::vector<unsigned char>>> pieces;
std::vector<std::vector<uint64_t>> chunkOffsetRows;
std::vector<std::vector<uint32_t>> chunkSizeRows;
std::vector<std::vector<uint64_t>> chunkCheckRows;
std::vector<const uint64_t*> chunkOffset;
std::vector<const uint32_t*> chunkSize;
std::vector<const uint64_t*> chunkCheck;
std::vector<const char*> fileNames;
std::vector<int32_t> chunkCount;
PayloadTableRecord table = {};

// A piece's offset is its file's number in the high half and its own times 65,536 in the low
// one: the reader finds it in `pieces`, as it is now. No piece follows another in these offsets
// (none is 65,536 bytes long), so each is read on its own. Files of the tests have far fewer
// than 65,536 pieces.
bool ReadPiece(uint64_t offset, unsigned char* into, uint32_t size) {
  const size_t file = static_cast<size_t>(offset >> 32), chunk = static_cast<size_t>((offset & 0xFFFFFFFFu) >> 16);
  if (file >= pieces.size() || chunk >= pieces[file].size() || size > pieces[file][chunk].size()) return false;
  memcpy(into, pieces[file][chunk].data(), size);
  return true;
}

void Relink() {
  const size_t count = names.size();
  chunkOffsetRows.assign(count, {});
  chunkSizeRows.assign(count, {});
  chunkCheckRows.resize(count);
  chunkOffset.assign(count, nullptr);
  chunkSize.assign(count, nullptr);
  chunkCheck.assign(count, nullptr);
  fileNames.assign(count, nullptr);
  chunkCount.assign(count, 0);
  for (size_t i = 0; i < count; ++i) {
    chunkCheckRows[i].resize(pieces[i].size());
    for (auto& piece : pieces[i]) {
      chunkOffsetRows[i].push_back((static_cast<uint64_t>(i) << 32) | (chunkOffsetRows[i].size() << 16));
      chunkSizeRows[i].push_back(static_cast<uint32_t>(piece.size()));
    }
    chunkOffset[i] = chunkOffsetRows[i].data();
    chunkSize[i] = chunkSizeRows[i].data();
    chunkCheck[i] = chunkCheckRows[i].data();
    fileNames[i] = names[i].c_str();
    chunkCount[i] = static_cast<int32_t>(pieces[i].size());
  }
  table = {static_cast<int32_t>(count), chunkOffset.data(), chunkSize.data(), fileNames.data(),
           chunkCount.data(), chunkCheck.data(), ReadPiece, 0, nullptr, nullptr, nullptr};
}

}  // namespace

SettingsRecord Settings = kTovalinSettings;

std::string PartlyCompressibleBytes(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  unsigned state = seed * 2654435761u + 1;
  for (size_t i = 0; i < size; ++i) {
    state = state * 1103515245u + 12345u;
    bytes[i] = static_cast<char>((i % 5 == 0) ? (state >> 24) : ('a' + (i / 11) % 26));
  }
  return bytes;
}

void ResetTables() {
  Settings = kTovalinSettings;
  UseFiles({});
}

void UseFiles(const std::vector<ProductFile>& files) {
  names.clear();
  pieces.clear();
  for (const ProductFile& file : files) {
    names.push_back(file.name);
    pieces.emplace_back();
    for (size_t offset = 0; offset < file.contents.size(); offset += kPieceSize) {
      size_t length = std::min<size_t>(kPieceSize, file.contents.size() - offset);
      uLongf packedSize = compressBound(length);
      std::vector<unsigned char> packed(packedSize);
      // A table built from a failed compression would make every test using it meaningless.
      if (compress2(packed.data(), &packedSize, reinterpret_cast<const Bytef*>(file.contents.data() + offset),
                    length, Z_DEFAULT_COMPRESSION) != Z_OK) {
        abort();
      }
      packed.resize(packedSize);
      pieces.back().push_back(packed);
    }
  }
  Relink();
  for (size_t i = 0; i < pieces.size(); ++i) {
    for (size_t j = 0; j < pieces[i].size(); ++j) RecheckPiece(static_cast<int>(i), static_cast<int>(j));
  }
}

std::vector<unsigned char>& Piece(int file, int chunk) { return pieces[file][chunk]; }

void ResizePiece(int file, int chunk, size_t size) {
  pieces[file][chunk].resize(size);
  chunkSizeRows[file][chunk] = static_cast<uint32_t>(size);
}

void RecheckPiece(int file, int chunk) {
  chunkCheckRows[file][chunk] = PieceCheck(pieces[file][chunk].data(), pieces[file][chunk].size());
}

}  // namespace fake

const SettingsRecord& InstallerSettings = fake::Settings;
const PayloadTableRecord& PayloadTable = fake::table;
