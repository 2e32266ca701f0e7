// The installer data block as the tool writes it and the installer program reads it back: the
// round trip, the damage check over every byte, the reader's bounds against shaped bytes, and the
// generic uninstaller's block of names.
#include <gtest/gtest.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "product/installer_data.h"
#include "tools/pack/common/sha256.h"
#include "tests/support/pack_support.h"
#include "tests/support/scratch_folder.h"

namespace {

using namespace installer_data;

// A block copied to 8-byte aligned memory, as the installer program finds it in its image.
struct AlignedBlock {
  explicit AlignedBlock(const std::string& bytes) : words((bytes.size() + 7) / 8 + 1) {
    memcpy(words.data(), bytes.data(), bytes.size());
    size = bytes.size();
  }
  unsigned char* data() { return reinterpret_cast<unsigned char*>(words.data()); }
  std::vector<uint64_t> words;
  size_t size;
};

uint32_t Get32(const unsigned char* at) { return at[0] | (at[1] << 8) | (at[2] << 16) | ((uint32_t)at[3] << 24); }
void Put32(unsigned char* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = (unsigned char)(value >> (8 * i));
}
// The block last given to InstallerDataTest::Read, as its table's reader reads it: a piece
// outside it fails the test.
const unsigned char* readBlock = nullptr;
size_t readBlockSize = 0;
bool ReadFromBlock(uint64_t offset, unsigned char* into, uint32_t size) {
  EXPECT_LE(offset + size, readBlockSize) << "a piece outside the block";
  if (offset + size > readBlockSize) return false;
  memcpy(into, readBlock + offset, size);
  return true;
}

// The compressed bytes of piece `j` of file `i`, as the table's reader gives them.
std::string PieceBytes(const PayloadTableRecord& table, int i, int j) {
  std::string piece(table.chunkSize[i][j], '\0');
  if (!table.readPieces(table.chunkOffset[i][j], reinterpret_cast<unsigned char*>(&piece[0]), table.chunkSize[i][j])) {
    return std::string();
  }
  return piece;
}

// Makes the metadata check agree with the bytes again, so that a shaped block reaches the
// structural checks behind it.
void Recheck(unsigned char* block) {
  const uint64_t check = PieceCheck(block + kCheckedFrom, Get32(block + kMetadataSizeOffset) - kCheckedFrom);
  for (int i = 0; i < 8; ++i) block[kCheckOffset + i] = (unsigned char)(check >> (8 * i));
}

class InstallerDataTest : public testing::Test {
 protected:
  void SetUp() override {
    root_ = MakeScratchFolder();
    WriteBytes(root_ + "/product.toml",
               "groupName = \"Tovalin\"\n"
               "appTitle = \"Caf\xC3\xA9 \xE2\x82\xAC\"\n"
               "iniFileName = \"tovalin2.ini\"\n"
               "offerStartupGroup = -7\n"
               "startupPrompt = \"Start it?\"\n"
               "mainExecutable = \"tov32.exe\"\n"
               "files = [\"tov32.exe\", \"empty.dat\", { name = \"caf\xC3\xA9.txt\", source = \"cafe.txt\" }, "
               "\"uninst.exe\"]\n");
    sources_ = {NoiseBytes(61000, 1), "", "menu of the cafe", "MZ uninstaller"};
    WriteBytes(root_ + "/tov32.exe", sources_[0]);
    WriteBytes(root_ + "/empty.dat", sources_[1]);
    WriteBytes(root_ + "/cafe.txt", sources_[2]);
    WriteBytes(root_ + "/uninst.exe", sources_[3]);
    std::vector<std::string> args = {root_ + "/product.toml"};
    for (const std::string& arg : NativeOutput(root_ + "/setup")) args.push_back(arg);
    std::string error;
    ASSERT_EQ(RunTool(args, &error), 0) << error;
    ASSERT_TRUE(NativeInstallerData(root_ + "/setup", &block_));
  }
  void TearDown() override { RemoveTree(root_); }

  // Reads `block` (`size` bytes available, the metadata among them) with an allocator that always
  // succeeds; the table is valid until the next read.
  static InstallerDataStatus Read(unsigned char* block, size_t size, SettingsRecord* settings,
                                  PayloadTableRecord* table) {
    static std::vector<uint64_t> storage(1 << 16);
    readBlock = block;
    readBlockSize = size;
    return ReadInstallerData(block, size, size, ReadFromBlock, [](size_t) -> void* { return storage.data(); },
                             settings, table);
  }

  std::string root_;
  std::vector<std::string> sources_;
  std::string block_;
};

TEST_F(InstallerDataTest, ReadsBackTheSettingsAndEveryFileAsPacked) {
  AlignedBlock block(block_);
  SettingsRecord settings;
  PayloadTableRecord table;
  ASSERT_EQ(Read(block.data(), block.size, &settings, &table), InstallerDataRead);
  EXPECT_STREQ(settings.groupName, "Tovalin");
  EXPECT_STREQ(settings.appTitle, "Caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_STREQ(settings.iniFileName, "tovalin2.ini");
  EXPECT_EQ(settings.offerStartupGroup, -7);
  EXPECT_STREQ(settings.startupPrompt, "Start it?");
  EXPECT_STREQ(settings.mainExecutable, "tov32.exe");
  EXPECT_STREQ(settings.productId, "Tovalin");
  EXPECT_STREQ(settings.productName, settings.appTitle);
  EXPECT_STREQ(settings.version, "");
  EXPECT_EQ(settings.installedSize, 61000u + 16 + 14);
  ASSERT_EQ(table.fileCount, 4);
  const char* const names[] = {"tov32.exe", "empty.dat", "caf\xC3\xA9.txt", "uninst.exe"};
  const int32_t counts[] = {3, 0, 1, 1};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(names[i]);
    EXPECT_STREQ(table.fileName[i], names[i]);
    ASSERT_EQ(table.chunkCount[i], counts[i]);
    std::string rebuilt;
    for (int j = 0; j < table.chunkCount[i]; ++j) {
      const std::string data = PieceBytes(table, i, j);
      ASSERT_EQ(data.size(), table.chunkSize[i][j]);
      EXPECT_EQ(PieceCheck((const unsigned char*)data.data(), data.size()), table.chunkCheck[i][j]);
      std::string piece;
      ASSERT_TRUE(InflateOne(data, ChunkBufferSize, &piece));
      rebuilt += piece;
    }
    EXPECT_TRUE(rebuilt == sources_[i]);
  }
}

// A byte changed anywhere in the block is refused: by the reader when it is in the header, the
// settings or the table, by the piece checks when it is in a piece.
TEST_F(InstallerDataTest, EveryChangedByteIsRefused) {
  for (size_t at = 0; at < block_.size(); ++at) {
    for (unsigned char flip : {0x01, 0x80}) {
      AlignedBlock block(block_);
      block.data()[at] ^= flip;
      SettingsRecord settings;
      PayloadTableRecord table;
      bool refused = Read(block.data(), block.size, &settings, &table) != InstallerDataRead;
      for (int i = 0; !refused && i < table.fileCount; ++i) {
        for (int j = 0; j < table.chunkCount[i]; ++j) {
          const std::string data = PieceBytes(table, i, j);
          refused = refused || PieceCheck((const unsigned char*)data.data(), data.size()) != table.chunkCheck[i][j];
        }
      }
      ASSERT_TRUE(refused) << "byte " << at << " of " << block_.size() << " changed by " << (int)flip;
    }
  }
}

// Blocks shaped so that their metadata check holds: the reader's own bounds must refuse them.
TEST_F(InstallerDataTest, ShapedBlocksAreRefusedWithoutReadingOutside) {
  AlignedBlock good(block_);
  unsigned char* original = good.data();
  const uint32_t metadataSize = Get32(original + kMetadataSizeOffset);
  const uint32_t fileCount = Get32(original + kFileCountOffset);
  const uint32_t pieceCount = Get32(original + kPieceCountOffset);
  const uint32_t sizesAt = ((kFilesOffset + kFileRecordSize * fileCount + 7) & ~7u) + 8 * pieceCount;
  const uint32_t groupNameAt = Get32(original + kSettingsOffset);
  const uint32_t fileNameAt = Get32(original + kFilesOffset);  // tov32.exe
  const uint32_t iniAt = Get32(original + kSettingsOffset + 16);
  const uint32_t titleAt = Get32(original + kSettingsOffset + 8);   // "Café €"
  const uint32_t mainAt = Get32(original + kSettingsOffset + 32);   // tov32.exe
  const uint32_t idAt = Get32(original + kSettingsOffset + 40);     // Tovalin
  struct Shape {
    const char* what;
    std::function<void(unsigned char*, size_t*)> shape;
  } const shapes[] = {
      {"cut by one byte", [](unsigned char*, size_t* size) { --*size; }},
      {"shorter than a header", [](unsigned char*, size_t* size) { *size = kHeaderSize - 1; }},
      {"another magic", [](unsigned char* b, size_t*) { b[0] = 'X'; }},
      {"another version", [](unsigned char* b, size_t*) { Put32(b + kVersionOffset, kFormatVersion + 1); }},
      {"another header size", [](unsigned char* b, size_t*) { Put32(b + kHeaderSizeOffset, 72); }},
      {"a reserved byte set", [](unsigned char* b, size_t*) { b[kHeaderSize - 1] = 1; }},
      {"metadata past the block", [&](unsigned char* b, size_t*) { Put32(b + kBlockSizeOffset, metadataSize - 8); }},
      {"metadata size not a multiple of 8", [&](unsigned char* b, size_t*) { Put32(b + kMetadataSizeOffset, metadataSize - 4); }},
      {"more pieces than the files hold", [&](unsigned char* b, size_t*) { Put32(b + kPieceCountOffset, pieceCount + 1); }},
      {"a file with more pieces than there are", [&](unsigned char* b, size_t*) { Put32(b + kFilesOffset + 8, 4); }},
      {"a count beyond every bound", [](unsigned char* b, size_t*) { Put32(b + kFileCountOffset, 0xFFFFFFFFu); }},
      {"arrays past the metadata", [&](unsigned char* b, size_t*) { Put32(b + kFileCountOffset, metadataSize / 12); }},
      {"a piece size past the block", [&](unsigned char* b, size_t*) { Put32(b + sizesAt, 0xFFFFFFF0u); }},
      {"a piece longer than a buffer, the sizes adding up", [&](unsigned char* b, size_t*) {
         const uint32_t moved = ChunkBufferSize + 1 - Get32(b + sizesAt);
         Put32(b + sizesAt, ChunkBufferSize + 1);
         Put32(b + sizesAt + 4, Get32(b + sizesAt + 4) - moved);
       }},
      {"pieces short of the block", [&](unsigned char* b, size_t*) { Put32(b + sizesAt, Get32(b + sizesAt) - 1); }},
      {"a text past the metadata", [&](unsigned char* b, size_t*) { Put32(b + kSettingsOffset, metadataSize); }},
      {"a text inside the table", [](unsigned char* b, size_t*) { Put32(b + kSettingsOffset, kFilesOffset); }},
      {"a text without its end", [&](unsigned char* b, size_t*) { b[groupNameAt + 7] = 'x'; }},
      {"a text holding a zero", [&](unsigned char* b, size_t*) { b[groupNameAt + 3] = 0; }},
      {"a length past the metadata", [](unsigned char* b, size_t*) { Put32(b + kSettingsOffset + 4, 0xFFFFFFF0u); }},
      {"a file name with a directory", [&](unsigned char* b, size_t*) { b[fileNameAt + 1] = '\\'; }},
      {"a file name with a slash", [&](unsigned char* b, size_t*) { b[fileNameAt + 4] = '/'; }},
      {"a file name on a drive", [&](unsigned char* b, size_t*) { b[fileNameAt + 1] = ':'; }},
      {"a file name of ..", [&](unsigned char* b, size_t*) { memcpy(b + fileNameAt, "..", 3); Put32(b + kFilesOffset + 4, 2); }},
      {"an empty file name", [&](unsigned char* b, size_t*) { b[fileNameAt] = 0; Put32(b + kFilesOffset + 4, 0); }},
      {"a profile name with a directory", [&](unsigned char* b, size_t*) { b[iniAt + 2] = '\\'; }},
      // Names by the rules the packaging tool applies (product/names.h).
      {"a file name that is a device", [&](unsigned char* b, size_t*) { std::copy_n("con.2", 5, b + fileNameAt); }},
      {"a file name ending in a dot", [&](unsigned char* b, size_t*) { b[fileNameAt + 8] = '.'; }},
      {"a file name with a wildcard", [&](unsigned char* b, size_t*) { b[fileNameAt + 3] = '?'; }},
      {"a main program that is a device", [&](unsigned char* b, size_t*) { std::copy_n("aux.2", 5, b + mainAt); }},
      {"a group name with a directory", [&](unsigned char* b, size_t*) { b[groupNameAt + 3] = '\\'; }},
      {"a group name that breaks a command", [&](unsigned char* b, size_t*) { b[groupNameAt + 3] = '('; }},
      {"a title that breaks a command", [&](unsigned char* b, size_t*) { b[titleAt + 1] = ','; }},
      {"a title that is not UTF-8", [&](unsigned char* b, size_t*) { b[titleAt] = 0xE9; }},
      {"a product id with a space", [&](unsigned char* b, size_t*) { b[idAt + 3] = ' '; }},
      // Format 3's paths, by the path rule.
      {"a path from the root", [&](unsigned char* b, size_t*) { Put32(b + kVersionOffset, 3); b[fileNameAt] = '\\'; }},
      {"a path through ..", [&](unsigned char* b, size_t*) { Put32(b + kVersionOffset, 3); std::copy_n("..\\", 3, b + fileNameAt); }},
      {"a path with a slash", [&](unsigned char* b, size_t*) { Put32(b + kVersionOffset, 3); b[fileNameAt + 2] = '/'; }},
      {"a main program path on a drive", [&](unsigned char* b, size_t*) { Put32(b + kVersionOffset, 3); std::copy_n("C:\\", 3, b + mainAt); }},
  };
  for (const Shape& shape : shapes) {
    SCOPED_TRACE(shape.what);
    // Every read is confined to the bytes given: the copy ends exactly where the block does.
    AlignedBlock block(block_);
    size_t size = block.size;
    shape.shape(block.data(), &size);
    Recheck(block.data());
    SettingsRecord settings;
    PayloadTableRecord table;
    EXPECT_EQ(Read(block.data(), size, &settings, &table), InstallerDataDamaged);
  }
  // The same name as a path is read in format 3, as the packaging tool writes a product with folders.
  {
    AlignedBlock block(block_);
    Put32(block.data() + kVersionOffset, 3);
    block.data()[fileNameAt + 2] = '\\';
    Recheck(block.data());
    SettingsRecord settings;
    PayloadTableRecord table;
    ASSERT_EQ(Read(block.data(), block.size, &settings, &table), InstallerDataRead);
    EXPECT_STREQ(table.fileName[0], "to\\32.exe");
  }
  // The table points into the block, so the block must be aligned as the image keeps it.
  std::vector<uint64_t> shifted(block_.size() / 8 + 2);
  unsigned char* misaligned = reinterpret_cast<unsigned char*>(shifted.data()) + 4;
  memcpy(misaligned, block_.data(), block_.size());
  SettingsRecord settings;
  PayloadTableRecord table;
  EXPECT_EQ(Read(misaligned, block_.size(), &settings, &table), InstallerDataDamaged);
  EXPECT_EQ(ReadInstallerData(nullptr, 0, 0, ReadFromBlock, malloc, &settings, &table), InstallerDataDamaged);
  // The metadata whole, but the block longer than the bytes said to hold it.
  AlignedBlock whole(block_);
  EXPECT_EQ(ReadInstallerData(whole.data(), whole.size, whole.size - 1, ReadFromBlock, malloc, &settings, &table),
            InstallerDataDamaged);
  EXPECT_EQ(ReadInstallerData(whole.data(), metadataSize - 8, whole.size, ReadFromBlock, malloc, &settings, &table),
            InstallerDataDamaged);
}

TEST_F(InstallerDataTest, NoMemoryForTheTableStillGivesTheSettings) {
  AlignedBlock block(block_);
  SettingsRecord settings = {};
  PayloadTableRecord table = {};
  EXPECT_EQ(ReadInstallerData(block.data(), block.size, block.size, ReadFromBlock,
                              [](size_t) -> void* { return nullptr; }, &settings, &table),
            InstallerDataNoMemory);
  EXPECT_STREQ(settings.appTitle, "Caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(table.fileCount, 0);
}

// A product without uninst.exe: the installer carries, as its last file uninst.exe, the prebuilt
// uninstaller program filled in with the same settings and every file's name, its own included,
// and no piece; the depfile names that program, and no temporary is left.
TEST_F(InstallerDataTest, AProductWithoutUninstallerGetsTheGenericOne) {
  WriteBytes(root_ + "/generic.toml",
             "groupName = \"Tovalin\"\nappTitle = \"Tovalin\"\niniFileName = \"tovalin2.ini\"\n"
             "offerStartupGroup = 1\nstartupPrompt = \"Start it?\"\nmainExecutable = \"tov32.exe\"\n"
             "files = [\"tov32.exe\", \"empty.dat\"]\n");
  std::vector<std::string> args = {root_ + "/generic.toml", "--uninstaller-stub", NATIVE_UNINSTALLER_PROGRAM,
                                   "--depfile", root_ + "/out/setup.d"};
  for (const std::string& arg : NativeOutput(root_ + "/out/setup")) args.push_back(arg);
  WriteBytes(root_ + "/out/placeholder", "");
  std::string error;
  ASSERT_EQ(RunTool(args, &error), 0) << error;
  EXPECT_EQ(FolderEntries(root_ + "/out"), (std::vector<std::string>{"placeholder", "setup", "setup.d"}));
  EXPECT_NE(ReadBytes(root_ + "/out/setup.d").find(std::string(" ") + NATIVE_UNINSTALLER_PROGRAM + " "),
            std::string::npos);

  std::string installerBlock;
  ASSERT_TRUE(NativeInstallerData(root_ + "/out/setup", &installerBlock));
  AlignedBlock block(installerBlock);
  SettingsRecord settings;
  PayloadTableRecord table;
  ASSERT_EQ(Read(block.data(), block.size, &settings, &table), InstallerDataRead);
  ASSERT_EQ(table.fileCount, 3);
  EXPECT_STREQ(table.fileName[2], "uninst.exe");
  std::string uninstaller;
  for (int j = 0; j < table.chunkCount[2]; ++j) {
    std::string piece;
    ASSERT_TRUE(InflateOne(PieceBytes(table, 2, j), ChunkBufferSize, &piece));
    uninstaller += piece;
  }
  const std::string program = ReadBytes(NATIVE_UNINSTALLER_PROGRAM);
  EXPECT_TRUE(uninstaller.compare(0, program.size(), program) == 0) << "not the uninstaller program";

  WriteBytes(root_ + "/uninst.exe", uninstaller);
  std::string uninstallerBlock;
  ASSERT_TRUE(NativeInstallerData(root_ + "/uninst.exe", &uninstallerBlock));
  AlignedBlock names(uninstallerBlock);
  ASSERT_EQ(Read(names.data(), names.size, &settings, &table), InstallerDataRead);
  EXPECT_STREQ(settings.appTitle, "Tovalin");
  EXPECT_EQ(settings.offerStartupGroup, 1);
  ASSERT_EQ(table.fileCount, 3);
  const char* const expected[] = {"tov32.exe", "empty.dat", "uninst.exe"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_STREQ(table.fileName[i], expected[i]);
    EXPECT_EQ(table.chunkCount[i], 0);
  }
}

}  // namespace

// The data files beside the program hold the pieces back to back, the program's block none; the
// block records each file's length and the digest of each segment (one each here: they are far
// shorter than a segment). Blocks shaped otherwise are refused.
const std::string* dataFileBytes = nullptr;  // the data files one after another
bool ReadFromDataFiles(uint64_t offset, unsigned char* into, uint32_t size) {
  if (offset + size > dataFileBytes->size()) return false;
  memcpy(into, dataFileBytes->data() + offset, size);
  return true;
}

TEST_F(InstallerDataTest, DataFilesHoldThePiecesWithTheirLengthsAndDigests) {
  const std::string program = NoiseBytes(200000, 2);
  WriteBytes(root_ + "/tov32.exe", program);
  std::vector<std::string> args = {root_ + "/product.toml", "--data-files", "64K"};
  std::filesystem::create_directories(root_ + "/data");
  for (const std::string& arg : NativeOutput(root_ + "/data/setup")) args.push_back(arg);
  std::string error;
  ASSERT_EQ(RunTool(args, &error), 0) << error;
  std::string block;
  ASSERT_TRUE(NativeInstallerData(root_ + "/data/setup", &block));
  std::vector<std::string> files;
  for (int n = 1; PathExists(root_ + "/data/setup-" + std::to_string(n) + ".bin"); ++n) {
    files.push_back(ReadBytes(root_ + "/data/setup-" + std::to_string(n) + ".bin"));
  }
  ASSERT_GE(files.size(), 3u);
  std::string joined;
  for (const std::string& file : files) joined += file;
  dataFileBytes = &joined;

  static std::vector<uint64_t> storage(1 << 16);
  auto read = [](AlignedBlock& aligned, PayloadTableRecord* table) {
    SettingsRecord settings;
    // Room after the block, as a program's file may have: only the block's own sizes bound it.
    return ReadInstallerData(aligned.data(), aligned.size, aligned.size + 64, ReadFromDataFiles,
                             [](size_t) -> void* { return storage.data(); }, &settings, table);
  };
  AlignedBlock aligned(block);
  PayloadTableRecord table;
  ASSERT_EQ(read(aligned, &table), InstallerDataRead);
  EXPECT_EQ(Get32(aligned.data() + kMetadataSizeOffset), aligned.size);
  EXPECT_STREQ(table.dataFileStem, "setup");
  ASSERT_EQ(table.dataFileCount, (int32_t)files.size());
  for (size_t k = 0; k < files.size(); ++k) {
    EXPECT_LE(files[k].size(), 65536u);
    EXPECT_EQ(table.dataFileSize[k], files[k].size());
    std::string digest;
    for (size_t b = 0; b < 32; ++b) {
      static const char kDigits[] = "0123456789abcdef";
      digest += kDigits[table.dataSegmentDigest[32 * k + b] >> 4];
      digest += kDigits[table.dataSegmentDigest[32 * k + b] & 15];
    }
    EXPECT_EQ(digest, Sha256Hex(files[k].data(), files[k].size())) << "data file " << k + 1;
  }
  std::string rebuilt;
  for (int j = 0; j < table.chunkCount[0]; ++j) {
    std::string piece;
    ASSERT_TRUE(InflateOne(PieceBytes(table, 0, j), ChunkBufferSize, &piece));
    rebuilt += piece;
  }
  EXPECT_TRUE(rebuilt == program);

  // The data area: the stem's reference, the lengths, then the digests.
  const uint32_t fileCount = Get32(aligned.data() + kFileCountOffset);
  const uint32_t dataFilesAt = (kFilesOffset + kFileRecordSize * fileCount + 7) & ~7u;
  const uint32_t stemAt = Get32(aligned.data() + dataFilesAt);
  struct Shape {
    const char* what;
    std::function<void(unsigned char*)> shape;
  } const shapes[] = {
      {"no data files named", [](unsigned char* b) { Put32(b + kDataFileCountOffset, 0); }},
      {"more data files than the bound", [](unsigned char* b) { Put32(b + kDataFileCountOffset, kMaxDataFiles + 1); }},
      {"a data file longer than recorded", [&](unsigned char* b) { Put32(b + dataFilesAt + 8, Get32(b + dataFilesAt + 8) + 1); }},
      {"a data file of no bytes, the lengths adding up", [&](unsigned char* b) {
         Put32(b + dataFilesAt + 16, Get32(b + dataFilesAt + 16) + Get32(b + dataFilesAt + 8));
         Put32(b + dataFilesAt + 8, 0);
       }},
      {"a stem with a directory", [&](unsigned char* b) { b[stemAt + 2] = '\\'; }},
      {"a stem that is a device", [&](unsigned char* b) { std::copy_n("con\0\0", 6, b + stemAt); Put32(b + dataFilesAt + 4, 3); }},
      {"pieces in the block too", [&](unsigned char* b) { Put32(b + kBlockSizeOffset, Get32(b + kMetadataSizeOffset) + 8); }},
  };
  for (const Shape& shape : shapes) {
    SCOPED_TRACE(shape.what);
    AlignedBlock shaped(block);
    shape.shape(shaped.data());
    Recheck(shaped.data());
    PayloadTableRecord ignored;
    EXPECT_EQ(read(shaped, &ignored), InstallerDataDamaged);
  }
}
