// Tests of well-formed packing: the cut rule, the zlib pieces, checksums, determinism, the
// generated table's text and the conversion of texts to Windows-1252.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "packer.h"
#include "product/payload_table.h"
#include "table_source.h"
#include "windows1252.h"
#include "tests/support/pack_support.h"
#include "tests/support/scratch_folder.h"

namespace {

class PackTest : public testing::Test {
 protected:
  void SetUp() override { root_ = MakeScratchFolder(); }
  void TearDown() override { RemoveTree(root_); }

  // Writes `contents` as files and packs them with `threads` workers; returns the blob.
  std::string Pack(const std::vector<std::string>& contents, int threads, PackedPayload* payload) {
    std::vector<PackSource> sources;
    for (size_t i = 0; i < contents.size(); ++i) {
      PackSource source;
      source.path = root_ + "/source" + std::to_string(i);
      source.size = contents[i].size();
      WriteBytes(source.path, contents[i]);
      sources.push_back(source);
    }
    const std::string blobPath = root_ + "/blob" + std::to_string(threads);
    const int fd = open(blobPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int failedFile = 0;
    std::string error;
    EXPECT_TRUE(PackPayload(sources, fd, blobPath, threads, payload, &failedFile, &error)) << error;
    close(fd);
    return ReadBytes(blobPath);
  }

  std::string root_;
};

TEST_F(PackTest, PiecesAreWholeZlibStreamsThatRebuildEachFile) {
  // Sizes around the 30,000-byte cut, including an empty file and an exact multiple.
  const std::vector<size_t> sizes = {0, 1, 29999, 30000, 30001, 60000, 95000};
  const std::vector<size_t> pieceCounts = {0, 1, 1, 1, 2, 2, 4};
  std::vector<std::string> contents;
  for (size_t i = 0; i < sizes.size(); ++i) {
    // Alternate noise and text so that both stored and well-compressed blocks occur.
    std::string text;
    while (text.size() < sizes[i]) text += "line " + std::to_string(text.size()) + " of the help file\n";
    contents.push_back(i % 2 ? NoiseBytes(sizes[i], (unsigned)i) : text.substr(0, sizes[i]));
  }
  PackedPayload payload;
  const std::string blob = Pack(contents, 3, &payload);

  ASSERT_EQ(payload.files.size(), sizes.size());
  uint64_t offset = 0;
  for (size_t i = 0; i < sizes.size(); ++i) {
    ASSERT_EQ(payload.files[i].size(), pieceCounts[i]) << "file of " << sizes[i] << " bytes";
    std::string rebuilt;
    for (size_t j = 0; j < payload.files[i].size(); ++j) {
      const PackedPiece& piece = payload.files[i][j];
      EXPECT_EQ(piece.offset, offset) << "pieces are concatenated in table order";
      offset += piece.size;
      ASSERT_LE(piece.offset + piece.size, blob.size());
      const std::string bytes = blob.substr(piece.offset, piece.size);
      EXPECT_EQ((unsigned char)bytes[0], 0x78);
      EXPECT_EQ((unsigned char)bytes[1], 0x9C);
      EXPECT_EQ(piece.check, PieceCheck((const unsigned char*)bytes.data(), bytes.size()));
      std::string inflated;
      ASSERT_TRUE(InflateOne(bytes, ChunkBufferSize, &inflated)) << "file " << i << " piece " << j;
      const bool last = j + 1 == payload.files[i].size();
      if (!last) {
        EXPECT_EQ(inflated.size(), kPieceSize);
      }
      rebuilt += inflated;
    }
    EXPECT_TRUE(rebuilt == contents[i]) << "file " << i << " does not inflate to its source";
  }
  EXPECT_EQ(offset, blob.size());
  EXPECT_EQ(payload.totalBytes, blob.size());
}

TEST_F(PackTest, OutputDoesNotDependOnThreadCount) {
  std::vector<std::string> contents = {NoiseBytes(400000, 1), std::string(250000, 'z'), NoiseBytes(123457, 2)};
  PackedPayload one, two, seven;
  const std::string blobOne = Pack(contents, 1, &one);
  const std::string blobTwo = Pack(contents, 2, &two);
  const std::string blobSeven = Pack(contents, 7, &seven);
  EXPECT_TRUE(blobOne == blobTwo);
  EXPECT_TRUE(blobOne == blobSeven);
  for (size_t i = 0; i < contents.size(); ++i) {
    ASSERT_EQ(one.files[i].size(), seven.files[i].size());
    for (size_t j = 0; j < one.files[i].size(); ++j) {
      EXPECT_EQ(one.files[i][j].offset, seven.files[i][j].offset);
      EXPECT_EQ(one.files[i][j].check, seven.files[i][j].check);
    }
  }
}

TEST_F(PackTest, FileWhoseSizeChangedIsRefused) {
  WriteBytes(root_ + "/good", "fine");
  WriteBytes(root_ + "/moving", std::string(70000, 'm'));
  for (uint64_t measured : {69999ull, 70001ull, 0ull}) {
    const std::vector<PackSource> sources = {{root_ + "/good", 4}, {root_ + "/moving", measured}};
    const std::string blobPath = root_ + "/blob";
    const int fd = open(blobPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    PackedPayload payload;
    int failedFile = -1;
    std::string error;
    EXPECT_FALSE(PackPayload(sources, fd, blobPath, 2, &payload, &failedFile, &error));
    close(fd);
    EXPECT_EQ(failedFile, 1);
    EXPECT_NE(error.find("moving changed size while being read"), std::string::npos) << error;
  }
}

// The whole tool on a small product: outputs, their names, and what the table says.
TEST_F(PackTest, ToolWritesTableBlobAndDepfile) {
  const std::string product = root_ + "/my product";
  WriteBytes(product + "/product.toml",
             "groupName = \"Tovalin\"\n"
             "appTitle = \"Caf\xC3\xA9 \xE2\x82\xAC\"\n"
             "iniFileName = \"tovalin2.ini\"\n"
             "offerStartupGroup = 7\n"
             "startupPrompt = \"Run at start-up?\\nSay \\\"yes\\\".\"\n"
             "mainExecutable = \"tov32.exe\"\n"
             "files = [\"tov32.exe\", { name = \"help.htm\", source = \"docs/help.htm\" }, \"empty.dat\",\n"
             "         { name = \"uninst.exe\", source = \"" + product + "/uninst.exe\" }]\n");
  WriteBytes(product + "/tov32.exe", NoiseBytes(61000, 3));
  WriteBytes(product + "/docs/help.htm", "<p>help</p>");
  WriteBytes(product + "/empty.dat", "");
  WriteBytes(product + "/uninst.exe", NoiseBytes(100, 4));
  const std::string out = root_ + "/out";
  WriteBytes(out + "/payload_table.cpp", "stale");

  std::string error;
  ASSERT_EQ(RunTool({product + "/product.toml", "--out-dir", out, "--depfile", out + "/payload.d"}, &error), 0) << error;
  EXPECT_EQ(FolderEntries(out), (std::vector<std::string>{"payload.bin", "payload.d", "payload_table.cpp"}));

  const std::string table = ReadBytes(out + "/payload_table.cpp");
  EXPECT_EQ(table.rfind("// Generated by instpack from product.toml; do not edit.\n", 0), 0u);
  EXPECT_EQ(table.find(root_), std::string::npos) << "the table must not hold a path of this machine";
  EXPECT_NE(table.find("{\"Tovalin\", \"Caf\\351 \\200\", \"tovalin2.ini\", 7, "
                       "\"Run at start-up\\077\\012Say \\042yes\\042.\", \"tov32.exe\"}"),
            std::string::npos)
      << table;
  EXPECT_NE(table.find("const char* const fileName[] = {\"tov32.exe\", \"help.htm\", \"empty.dat\", \"uninst.exe\"};"),
            std::string::npos);
  EXPECT_NE(table.find("const int32_t chunkCount[] = {3, 1, 0, 1};"), std::string::npos);
  EXPECT_NE(table.find("chunkData[] = {chunkData0, chunkData1, nullptr, chunkData3};"), std::string::npos);
  EXPECT_EQ(table.find("chunkData2[]"), std::string::npos) << "no empty array for an empty file";
  EXPECT_NE(table.find("{4, chunkData, chunkSize, fileName, chunkCount, chunkCheck}"), std::string::npos);

  const std::string blob = ReadBytes(out + "/payload.bin");
  EXPECT_EQ(blob.substr(0, 2), "\x78\x9C");

  EXPECT_EQ(ReadBytes(out + "/payload.d"),
            out + "/payload_table.cpp " + out + "/payload.bin: " + root_ + "/my\\ product/product.toml " +
                root_ + "/my\\ product/tov32.exe " + root_ + "/my\\ product/docs/help.htm " + root_ +
                "/my\\ product/empty.dat " + root_ + "/my\\ product/uninst.exe\n");

  // Another thread count, another folder: the same bytes.
  ASSERT_EQ(RunTool({product + "/product.toml", "--out-dir", root_ + "/again", "--threads", "1"}, &error), 0) << error;
  EXPECT_TRUE(ReadBytes(root_ + "/again/payload.bin") == blob);
  EXPECT_TRUE(ReadBytes(root_ + "/again/payload_table.cpp") == table);
}

TEST(TableSource, EmitsNullptrArraysForNoFilesAndSpellsExtremeFlags) {
  Product product;
  product.groupName = product.appTitle = "T";
  product.iniFileName = "t.ini";
  product.mainExecutable = "t.exe";
  product.offerStartupGroup = INT32_MIN;
  const std::string table = PayloadTableSource(product, PackedPayload(), "p.toml");
  EXPECT_NE(table.find("{0, nullptr, nullptr, nullptr, nullptr, nullptr}"), std::string::npos);
  EXPECT_NE(table.find("\"t.ini\", -2147483647 - 1, \"\", \"t.exe\"}"), std::string::npos) << table;
}

TEST(TableSource, StringLiteralsEscapeEverythingButPrintableAscii) {
  EXPECT_EQ(CStringLiteral("plain text 123"), "\"plain text 123\"");
  // '?' is escaped so that "??=" cannot become a trigraph; an escape followed by a digit stays
  // three digits so the digit is not swallowed.
  EXPECT_EQ(CStringLiteral("a\"b\\c?" "?=d"), "\"a\\042b\\134c\\077\\077=d\"");
  EXPECT_EQ(CStringLiteral(std::string("\x01" "7\x7F\xFF\n\0", 6)), "\"\\0017\\177\\377\\012\\000\"");
  EXPECT_EQ(CStringLiteral(""), "\"\"");
}

TEST(Windows1252, ConvertsLatinAndEuroAndRefusesOthers) {
  std::string ansi;
  uint32_t bad = 0;
  ASSERT_TRUE(Utf8ToWindows1252("\xC3\xA9", &ansi, &bad));  // é
  EXPECT_EQ(ansi, "\xE9");
  ASSERT_TRUE(Utf8ToWindows1252("\xE2\x82\xAC", &ansi, &bad));  // €
  EXPECT_EQ(ansi, "\x80");
  ASSERT_TRUE(Utf8ToWindows1252("\xC5\xB8\xE2\x80\x9C" "A\xC2\xA0", &ansi, &bad));  // Ÿ “ A nbsp
  EXPECT_EQ(ansi, "\x9F\x93" "A\xA0");

  EXPECT_FALSE(Utf8ToWindows1252("\xCE\xA9", &ansi, &bad));  // Ω
  EXPECT_EQ(bad, 0x3A9u);
  EXPECT_FALSE(Utf8ToWindows1252("\xC2\x81", &ansi, &bad));  // U+0081: a byte 1252 leaves unassigned
  EXPECT_EQ(bad, 0x81u);
  for (const char* malformed : {"\xC0\x80", "\xED\xA0\x80", "\xE2\x82", "\x80", "\xF4\x90\x80\x80"}) {
    EXPECT_FALSE(Utf8ToWindows1252(malformed, &ansi, &bad)) << testing::PrintToString(malformed);
    EXPECT_EQ(bad, 0xFFFFFFFFu);
  }
}

TEST(Windows1252, UpperCaseFoldsTheLettersWindowsFolds) {
  EXPECT_EQ(UpperCase1252("tov32.exe"), "TOV32.EXE");
  EXPECT_EQ(UpperCase1252("\xE9\x9A\x9C\x9E\xFF"), "\xC9\x8A\x8C\x8E\x9F");  // é š œ ž ÿ
  EXPECT_EQ(UpperCase1252("\xF7\xDF\xB5"), "\xF7\xDF\xB5");                  // ÷ ß µ have no 1252 capital
}

}  // namespace
