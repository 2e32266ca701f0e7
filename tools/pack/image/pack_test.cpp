// Tests of well-formed packing: the cut rule, the zlib pieces, checksums, determinism, the
// finished installer and its depfile, and the texts as UTF-16 and as Windows compares names.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "tools/pack/image/packer.h"
#include "product/payload_table.h"
#include "tools/pack/common/unicode_text.h"
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

// The whole tool on a small product: the installer and its depfile, the same bytes however it
// is run, and no path of this machine in them.
TEST_F(PackTest, ToolWritesInstallerAndDepfile) {
  const std::string product = root_ + "/my product";
  WriteBytes(product + "/product.toml",
             "groupName = \"Tovalin\"\n"
             "appTitle = \"Tovalin\"\n"
             "iniFileName = \"tovalin2.ini\"\n"
             "offerStartupGroup = 7\n"
             "startupPrompt = \"Run at start-up?\"\n"
             "mainExecutable = \"tov32.exe\"\n"
             "files = [\"tov32.exe\", { name = \"help.htm\", source = \"docs/help.htm\" }, \"empty.dat\",\n"
             "         { name = \"uninst.exe\", source = \"" + product + "/uninst.exe\" }]\n");
  WriteBytes(product + "/tov32.exe", NoiseBytes(61000, 3));
  WriteBytes(product + "/docs/help.htm", "<p>help</p>");
  WriteBytes(product + "/empty.dat", "");
  WriteBytes(product + "/uninst.exe", NoiseBytes(100, 4));
  const std::string out = root_ + "/out";
  WriteBytes(out + "/setup", "an earlier installer");

  auto run = [&](const std::string& output, const std::vector<std::string>& more) {
    std::vector<std::string> args = {product + "/product.toml"};
    for (const std::string& arg : NativeOutput(output)) args.push_back(arg);
    args.insert(args.end(), more.begin(), more.end());
    std::string error;
    EXPECT_EQ(RunTool(args, &error), 0) << error;
  };
  run(out + "/setup", {"--depfile", out + "/setup.d"});
  EXPECT_EQ(FolderEntries(out), (std::vector<std::string>{"setup", "setup.d"}));
  const std::string installer = ReadBytes(out + "/setup");
  EXPECT_EQ(installer.find(root_), std::string::npos) << "the installer must not hold a path of this machine";
  std::string block;
  EXPECT_TRUE(NativeInstallerData(out + "/setup", &block));
  EXPECT_EQ(ReadBytes(out + "/setup.d"),
            out + "/setup: " + root_ + "/my\\ product/product.toml " + root_ + "/my\\ product/tov32.exe " + root_ +
                "/my\\ product/docs/help.htm " + root_ + "/my\\ product/empty.dat " + root_ +
                "/my\\ product/uninst.exe " + NATIVE_INSTALLER_PROGRAM + "\n");

  // Another thread count, another folder: the same bytes.
  WriteBytes(root_ + "/again/placeholder", "");
  run(root_ + "/again/setup", {"--threads", "1"});
  EXPECT_TRUE(ReadBytes(root_ + "/again/setup") == installer);
}

// The texts stay UTF-8; what Windows' formats store is UTF-16, and names collide as Windows
// folds their case.
TEST(UnicodeText, ConvertsToUtf16AndFoldsCaseAsWindowsDoes) {
  std::u16string units;
  ASSERT_TRUE(Utf8ToUtf16("Caf\xC3\xA9 \xE2\x82\xAC", &units));
  EXPECT_EQ(units, u"Caf\u00E9 \u20AC");
  ASSERT_TRUE(Utf8ToUtf16("\xF0\x9F\x93\x84", &units));  // U+1F4C4, outside the Basic Multilingual Plane
  EXPECT_EQ(units, std::u16string({0xD83D, 0xDCC4}));
  for (const char* malformed : {"\xC0\x80", "\xED\xA0\x80", "\xE2\x82", "\x80", "\xF4\x90\x80\x80", "caf\xE9"}) {
    EXPECT_FALSE(Utf8ToUtf16(malformed, &units)) << testing::PrintToString(malformed);
  }
  const char* const folds[][2] = {
      {"tov32.exe", "TOV32.EXE"},
      {"\xC3\xA9t\xC3\xA9 \xC3\xBF", "\xC3\x89T\xC3\x89 \xC5\xB8"},                  // été ÿ
      {"\xCF\x89\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1\xCF\x82", "\xCE\xA9\xCE\x9C\xCE\x88\xCE\x93\xCE\x91\xCE\xA3"},  // ωμέγας
      {"\xD0\xB6\xD0\xB0\xD0\xBD\xD0\xBD\xD0\xB0", "\xD0\x96\xD0\x90\xD0\x9D\xD0\x9D\xD0\x90"},  // жанна
      {"\xC5\x82\xC3\xB3" "d\xC5\xBA", "\xC5\x81\xC3\x93" "D\xC5\xB9"},                   // łódź
      {"\xE9\xAC\xBC\xE5\xA1\x9A \xC3\x9F \xF0\x9F\x93\x84", "\xE9\xAC\xBC\xE5\xA1\x9A \xC3\x9F \xF0\x9F\x93\x84"},  // no case
  };
  for (const auto& fold : folds) EXPECT_EQ(FoldCaseForWindows(fold[0]), fold[1]) << fold[0];
}

}  // namespace
