// Reads back a product that the build packed and compiled in, as the installer reads its table.
#include <gtest/gtest.h>
#include <stdint.h>
#include <zlib.h>

#include "product/installer_settings.h"
#include "product/payload_table.h"
#include "tests/support/pack_support.h"
#include "tests/support/scratch_folder.h"

extern "C" const unsigned char PayloadBlob[] __asm__("PayloadBlob");

namespace {

// Names and sources as the build's description lists them (see CMakeLists.txt).
const char* const kNames[] = {"tov32.exe", "exact.dat", "empty.dat", "caf\xE9.txt", "uninst.exe"};
const char* const kSources[] = {"big.dat", "exact.dat", "empty.dat", "cafe.txt", "uninst.dat"};
const int32_t kChunkCounts[] = {2, 2, 0, 1, 1};

TEST(Roundtrip, SettingsRecordHoldsTheDescriptionInWindows1252) {
  EXPECT_STREQ(InstallerSettings.groupName, "Roundtrip");
  EXPECT_STREQ(InstallerSettings.appTitle, "Caf\xE9 \x80");
  EXPECT_STREQ(InstallerSettings.iniFileName, "roundtrip.ini");
  EXPECT_EQ(InstallerSettings.offerStartupGroup, 1);
  EXPECT_STREQ(InstallerSettings.startupPrompt, "Start it with Windows?");
  EXPECT_STREQ(InstallerSettings.mainExecutable, "tov32.exe");
}

TEST(Roundtrip, EveryFileInflatesFromItsPiecesAsTheInstallerDoesIt) {
  ASSERT_EQ(PayloadTable.fileCount, 5);
  EXPECT_EQ(PayloadTable.chunkData[0][0], PayloadBlob);
  EXPECT_EQ((uintptr_t)PayloadBlob % 16, 0u);
  for (int i = 0; i < PayloadTable.fileCount; ++i) {
    SCOPED_TRACE(kNames[i]);
    EXPECT_STREQ(PayloadTable.fileName[i], kNames[i]);
    ASSERT_EQ(PayloadTable.chunkCount[i], kChunkCounts[i]);
    if (kChunkCounts[i] == 0) {
      EXPECT_EQ(PayloadTable.chunkData[i], nullptr);
      EXPECT_EQ(PayloadTable.chunkSize[i], nullptr);
      EXPECT_EQ(PayloadTable.chunkCheck[i], nullptr);
    }
    std::string rebuilt;
    for (int j = 0; j < PayloadTable.chunkCount[i]; ++j) {
      const unsigned char* data = PayloadTable.chunkData[i][j];
      const uint32_t size = PayloadTable.chunkSize[i][j];
      EXPECT_EQ(PieceCheck(data, size), PayloadTable.chunkCheck[i][j]);
      unsigned char buffer[ChunkBufferSize];
      uLongf length = ChunkBufferSize;
      ASSERT_EQ(uncompress(buffer, &length, data, size), Z_OK);
      rebuilt.append((const char*)buffer, length);
    }
    EXPECT_TRUE(rebuilt == ReadBytes(std::string(ROUNDTRIP_PRODUCT_DIR "/") + kSources[i]));
  }
}

}  // namespace
