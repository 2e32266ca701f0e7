// The native program's reading of its data by offset, with the block placed in sparse files so
// that its pieces lie across 2 GiB and 4 GiB, where offsets kept in 32 bits go wrong. The block
// is the sample's native installer's, whatever it holds.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "driver/installer_data_location.h"
#include "tests/support/scratch_folder.h"

namespace {

// What the reader allocated for one block: it keeps its records for the rest of the process, the
// test frees them after each.
std::vector<void*> allocations;
void* Allocate(size_t size) {
  allocations.push_back(malloc(size));
  return allocations.back();
}

// The block of the native installer at `path`, found through its trailer.
std::string BlockOf(const std::string& path) {
  const std::string bytes = ReadBytes(path);
  const size_t trailer = installer_data::kTrailerSize;
  if (bytes.size() < trailer) return std::string();
  uint64_t offset = 0, size = 0;
  memcpy(&offset, bytes.data() + bytes.size() - trailer + 8, 8);
  memcpy(&size, bytes.data() + bytes.size() - trailer + 16, 8);
  return offset + size <= bytes.size() ? bytes.substr(offset, size) : std::string();
}

TEST(InstallerDataLocationTest, PiecesAcross2And4GiBReadAsWritten) {
  const std::string block = BlockOf(SAMPLE_NATIVE_INSTALLER);
  ASSERT_GT(block.size(), (size_t)installer_data::kHeaderSize) << SAMPLE_NATIVE_INSTALLER;
  uint32_t metadataSize = 0;
  memcpy(&metadataSize, block.data() + installer_data::kMetadataSizeOffset, 4);
  const std::string folder = MakeScratchFolder();
  // The first piece begins just before the boundary, so that it and those after it straddle it.
  const uint64_t boundaries[] = {1ull << 31, 1ull << 32, 5ull << 30};
  for (uint64_t boundary : boundaries) {
    SCOPED_TRACE(boundary);
    const uint64_t at = boundary - metadataSize - 1000;
    const std::string path = folder + "/sparse";
    const int fd = open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    std::string trailer(installer_data::kTrailerMagic, 8);
    const uint64_t size = block.size();
    trailer.append(reinterpret_cast<const char*>(&at), 8).append(reinterpret_cast<const char*>(&size), 8);
    ASSERT_EQ(pwrite(fd, block.data(), block.size(), (off_t)at), (ssize_t)block.size());
    ASSERT_EQ(pwrite(fd, trailer.data(), trailer.size(), (off_t)(at + size)), (ssize_t)trailer.size());
    close(fd);

    uint64_t found = 0;
    ASSERT_TRUE(OpenInstallerDataFile(path.c_str(), &found));
    EXPECT_EQ(found, size);
    SettingsRecord settings;
    PayloadTableRecord table;
    ASSERT_EQ(ReadOpenInstallerData(found, Allocate, &settings, &table), InstallerDataRead);
    int pieces = 0;
    for (int i = 0; i < table.fileCount; ++i) {
      for (int j = 0; j < table.chunkCount[i]; ++j, ++pieces) {
        std::string piece(table.chunkSize[i][j], '\0');
        ASSERT_TRUE(table.readPieces(table.chunkOffset[i][j], reinterpret_cast<unsigned char*>(&piece[0]),
                                     table.chunkSize[i][j]));
        EXPECT_EQ(piece, block.substr(table.chunkOffset[i][j], table.chunkSize[i][j])) << "file " << i << " piece " << j;
        EXPECT_EQ(PieceCheck(reinterpret_cast<const unsigned char*>(piece.data()), piece.size()), table.chunkCheck[i][j]);
      }
    }
    EXPECT_GT(pieces, 1);
    // Past the block's end, in the trailer and beyond the file: not read as if it were there.
    unsigned char beyond[64];
    EXPECT_FALSE(ReadInstallerBytes(size + installer_data::kTrailerSize - 8, beyond, sizeof beyond));
    CloseInstallerData();
    for (void* allocation : allocations) free(allocation);
    allocations.clear();
  }
  RemoveTree(folder);
}

// Data files beside the program, sparse, of 3 GiB, 3 GiB and 1 MiB: reads at offsets past 2, 4 and
// 6 GiB across them all, some spanning two files, find the bytes each file holds there; a data
// file of another length than recorded is never read.
TEST(InstallerDataLocationTest, DataFilesReadAcrossTheirBoundaries) {
  const std::string folder = MakeScratchFolder();
  const std::string program = folder + "/sparse";
  WriteBytes(program, ReadBytes(SAMPLE_NATIVE_INSTALLER));
  uint64_t found = 0;
  ASSERT_TRUE(OpenInstallerDataFile(program.c_str(), &found));
  const uint64_t sizes[] = {3ull << 30, 3ull << 30, 1ull << 20, 1ull << 20};
  // Each file holds its number in the 16 bytes at each of its ends and at 2 GiB into it.
  auto mark = [](uint64_t within, uint64_t size, int number) -> char {
    const bool marked = within < 16 || within >= size - 16 || (within >= (2ull << 30) && within < (2ull << 30) + 16);
    return static_cast<char>(marked ? '0' + number : 0);
  };
  for (int n = 1; n <= 4; ++n) {
    const std::string path = folder + "/sparse-" + std::to_string(n) + ".bin";
    const int fd = open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    // The fourth is one byte longer than recorded.
    const uint64_t size = sizes[n - 1] + (n == 4 ? 1 : 0);
    const std::string marks(16, (char)('0' + n));
    for (uint64_t at : {(uint64_t)0, size - 16, (uint64_t)2 << 30}) {
      if (at < size) {
        ASSERT_EQ(pwrite(fd, marks.data(), 16, (off_t)at), 16);
      }
    }
    close(fd);
  }
  PayloadTableRecord table = {};
  table.dataFileCount = 4;
  table.dataFileSize = sizes;
  table.dataFileStem = "sparse";
  ASSERT_TRUE(OpenDataFiles(&table, Allocate));
  EXPECT_EQ(table.readPieces, ReadDataFileBytes);
  const uint64_t starts[] = {0, sizes[0], sizes[0] + sizes[1], sizes[0] + sizes[1] + sizes[2]};
  const struct {
    uint64_t offset;
    uint32_t size;
    bool readable;
  } reads[] = {
      {0, 32, true},                       // the first bytes
      {2ull << 30, 16, true},              // 2 GiB into the first
      {starts[1] - 8, 16, true},           // across the first and the second, at 3 GiB
      {starts[1] + (2ull << 30), 16, true},  // 5 GiB: 2 GiB into the second
      {starts[2] - 8, 16, true},           // across the second and the third, at 6 GiB
      {starts[3] - 16, 16, true},          // the third's last bytes
      {starts[3] - 8, 16, false},          // into the fourth, whose length is wrong
      {starts[3] + sizes[3], 1, false},    // past them all
  };
  for (const auto& read : reads) {
    SCOPED_TRACE(read.offset);
    std::string bytes(read.size, '\0');
    ASSERT_EQ(table.readPieces(read.offset, reinterpret_cast<unsigned char*>(&bytes[0]), read.size), read.readable);
    if (!read.readable) continue;
    std::string expected;
    for (uint64_t at = read.offset; at < read.offset + read.size; ++at) {
      int n = 3;
      while (at < starts[n]) --n;
      expected += mark(at - starts[n], sizes[n], n + 1);
    }
    EXPECT_EQ(bytes, expected);
  }
  CloseInstallerData();
  for (void* allocation : allocations) free(allocation);
  allocations.clear();
  RemoveTree(folder);
}

}  // namespace
