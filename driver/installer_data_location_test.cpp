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

}  // namespace
