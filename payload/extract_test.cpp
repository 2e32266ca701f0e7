// Extraction and rollback against the real file services in a temporary folder.
#include "payload/extract.h"
#include "payload/payload_check.h"
#include "payload/installed_files.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/fakes.h"
#include "tests/support/temp_folder.h"

namespace {

std::string Bytes(size_t size, unsigned seed) { return fake::PartlyCompressibleBytes(size, seed); }

std::vector<fake::ProductFile> FourFiles() {
  return {{"tov32.exe", Bytes(286720, 1)},
          {"help.htm", Bytes(22774, 2)},
          {"tovalin.jpg", Bytes(29906, 3)},
          {"uninst.exe", Bytes(47104, 4)}};
}

// Records every progress report as "name:percent".
std::vector<std::string> reports;
void Record(void* context, const char* fileName, int percent) {
  reports.push_back(std::string(context == &reports ? "" : "stray ") + fileName + ":" + std::to_string(percent));
}

class ExtractTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    reports.clear();
  }
};

TEST_F(ExtractTest, WritesEveryFileByteIdenticalAndReportsPerFile) {
  const auto files = FourFiles();
  fake::UseFiles(files);
  EXPECT_EQ(CheckPayload(), PayloadIntact);
  EXPECT_EQ(ExtractPayload(&reports, Record), ExtractComplete);
  for (const auto& file : files) EXPECT_EQ(ReadBytes(file.name), file.contents) << file.name;
  EXPECT_EQ(reports, (std::vector<std::string>{"tov32.exe:0", "help.htm:25", "tovalin.jpg:50",
                                               "uninst.exe:75", ":100"}));
  EXPECT_EQ(PayloadTable.chunkCount[0], 10);
  EXPECT_EQ(PayloadTable.chunkCount[3], 2);
}

TEST_F(ExtractTest, NoCallbackChangesNothingButTheReports) {
  fake::UseFiles(FourFiles());
  EXPECT_EQ(ExtractPayload(nullptr, nullptr), ExtractComplete);
  EXPECT_EQ(FolderEntries("."), (std::vector<std::string>{"help.htm", "tov32.exe", "tovalin.jpg", "uninst.exe"}));
}

TEST_F(ExtractTest, PieceBoundaries) {
  // Empty file: no pieces, created empty. Exact multiple: no short last piece. One byte over.
  fake::UseFiles({{"empty.dat", ""}, {"exact.dat", Bytes(60000, 5)}, {"over.dat", Bytes(30001, 6)}});
  EXPECT_EQ(PayloadTable.chunkCount[0], 0);
  EXPECT_EQ(PayloadTable.chunkCount[1], 2);
  EXPECT_EQ(PayloadTable.chunkCount[2], 2);
  ASSERT_EQ(ExtractPayload(nullptr, nullptr), ExtractComplete);
  EXPECT_TRUE(PathExists("empty.dat"));
  EXPECT_EQ(ReadBytes("empty.dat"), "");
  EXPECT_EQ(ReadBytes("exact.dat"), Bytes(60000, 5));
  EXPECT_EQ(ReadBytes("over.dat"), Bytes(30001, 6));
}

TEST_F(ExtractTest, EmptyTableReportsOnlyTheEnd) {
  fake::UseFiles({});
  EXPECT_EQ(ExtractPayload(&reports, Record), ExtractComplete);
  EXPECT_EQ(reports, (std::vector<std::string>{":100"}));
  EXPECT_TRUE(FolderEntries(".").empty());
  reports.clear();
  EXPECT_EQ(RollBackExtraction(&reports, Record), 4);
  EXPECT_EQ(reports, (std::vector<std::string>{":100"}));
}

TEST_F(ExtractTest, ReplacesAnOlderCopyCompletely) {
  WriteBytes("help.htm", std::string(100000, 'x'));
  fake::UseFiles({{"help.htm", "short"}});
  EXPECT_EQ(ExtractPayload(nullptr, nullptr), ExtractComplete);
  EXPECT_EQ(ReadBytes("help.htm"), "short");
}

TEST_F(ExtractTest, FileThatCannotBeCreatedStopsBeforeLaterFiles) {
  fake::UseFiles(FourFiles());
  mkdir("tovalin.jpg", 0777);  // a directory in the way
  EXPECT_EQ(ExtractPayload(&reports, Record), ExtractCannotCreate);
  EXPECT_EQ(reports.back(), "tovalin.jpg:50");
  EXPECT_TRUE(PathExists("tov32.exe"));
  EXPECT_TRUE(PathExists("help.htm"));
  EXPECT_FALSE(PathExists("uninst.exe"));
}

TEST_F(ExtractTest, ReadOnlyFileCannotBeCreated) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes read-only files";
  fake::UseFiles(FourFiles());
  WriteBytes("help.htm", "old");
  chmod("help.htm", 0444);
  EXPECT_EQ(ExtractPayload(nullptr, nullptr), ExtractCannotCreate);
  EXPECT_EQ(ReadBytes("help.htm"), "old");
}

TEST_F(ExtractTest, ShortWriteIsWriteFailedAndLeavesThePartialFile) {
  fake::UseFiles(FourFiles());
  // A file-size limit stands in for a full disk: writes beyond it come up short.
  struct sigaction ignore = {}, previousAction;
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &previousAction);
  rlimit previousLimit;
  getrlimit(RLIMIT_FSIZE, &previousLimit);
  rlimit limit = {100000, previousLimit.rlim_max};
  setrlimit(RLIMIT_FSIZE, &limit);
  ExtractStatus status = ExtractPayload(&reports, Record);
  setrlimit(RLIMIT_FSIZE, &previousLimit);
  sigaction(SIGXFSZ, &previousAction, nullptr);

  EXPECT_EQ(status, ExtractWriteFailed);
  EXPECT_EQ(reports.back(), "tov32.exe:0");  // the failing file's percentage is the last one
  EXPECT_TRUE(PathExists("tov32.exe"));
  EXPECT_FALSE(PathExists("help.htm"));
}

TEST_F(ExtractTest, NoBufferMeansNothingIsCreated) {
  fake::UseFiles(FourFiles());
  fake::FailNextAllocation();
  EXPECT_EQ(ExtractPayload(&reports, Record), ExtractNoMemory);
  EXPECT_TRUE(reports.empty());
  EXPECT_TRUE(FolderEntries(".").empty());
}

// Extracts the four files and checks every byte and every report, then removes them, so that
// the next extraction in the same test starts from an empty folder.
void ExpectWholeExtractionOfFourFiles() {
  reports.clear();
  EXPECT_EQ(ExtractPayload(&reports, Record), ExtractComplete);
  EXPECT_EQ(fake::RunningThreads(), 0);
  for (const auto& file : FourFiles()) {
    EXPECT_EQ(ReadBytes(file.name), file.contents) << file.name;
    unlink(file.name.c_str());
  }
  EXPECT_EQ(reports, (std::vector<std::string>{"tov32.exe:0", "help.htm:25", "tovalin.jpg:50",
                                               "uninst.exe:75", ":100"}));
}

TEST_F(ExtractTest, ThreadsThatCannotStartLeaveTheirPiecesToTheOthers) {
  // Four processors ask for three threads besides the caller's: none starts, or only the first.
  fake::UseFiles(FourFiles());
  for (int started : {0, 1}) {
    SCOPED_TRACE(started);
    fake::FailThreadStarts(started);
    ExpectWholeExtractionOfFourFiles();
  }
}

TEST_F(ExtractTest, FewerBuffersThanAskedForStillWriteEverything) {
  // Four processors ask for eight buffers; only one (the caller's thread alone), two or three
  // can be had.
  fake::UseFiles(FourFiles());
  for (int buffers : {1, 2, 3}) {
    SCOPED_TRACE(buffers);
    fake::FailNextAllocation(buffers);
    ExpectWholeExtractionOfFourFiles();
  }
}

TEST_F(ExtractTest, DamageIsFoundBeforeWriting) {
  const auto files = FourFiles();
  // Header, middle and checksum trailer of a piece; a piece cut short; bytes appended.
  const std::vector<std::pair<const char*, void (*)(std::vector<unsigned char>&)>> damages = {
      {"header", [](std::vector<unsigned char>& p) { p[0] ^= 0x01; }},
      {"middle", [](std::vector<unsigned char>& p) { p[p.size() / 2] ^= 0x40; }},
      {"trailer", [](std::vector<unsigned char>& p) { p[p.size() - 1] ^= 0x80; }},
      {"cut", [](std::vector<unsigned char>& p) { p.resize(p.size() - 5); }},
      {"appended", [](std::vector<unsigned char>& p) { p.insert(p.end(), {1, 2, 3}); }},
  };
  for (const auto& damage : damages) {
    fake::UseFiles(files);
    auto& piece = fake::Piece(0, 3);
    damage.second(piece);
    fake::ResizePiece(0, 3, piece.size());
    EXPECT_EQ(CheckPayload(), PayloadDamaged) << damage.first;
  }
  // A product whose only piece is empty, its check that of the bytes it had: no bytes to check, but
  // a piece that is no zlib stream.
  fake::UseFiles({{"tov32.exe", "p"}});
  fake::Piece(0, 0).clear();
  fake::ResizePiece(0, 0, 0);
  EXPECT_EQ(CheckPayload(), PayloadDamaged) << "emptied";
  // A product of more than a megabyte is checked on every core: intact, and with one piece far
  // into it changed.
  std::vector<fake::ProductFile> large;
  for (unsigned i = 0; i < 3; ++i) large.push_back({"large" + std::to_string(i), fake::PartlyCompressibleBytes(900000, i)});
  for (bool damaged : {false, true}) {
    fake::UseFiles(large);
    if (damaged) fake::Piece(2, 20)[5] ^= 0x04;
    EXPECT_EQ(CheckPayload(), damaged ? PayloadDamaged : PayloadIntact) << (damaged ? "damaged" : "intact");
  }
}

TEST_F(ExtractTest, PieceThatFailsToInflateStopsExtraction) {
  // Damage the checksum cannot see (recomputed after the change) must still not be installed.
  fake::UseFiles(FourFiles());
  fake::Piece(1, 0)[10] ^= 0xff;
  fake::RecheckPiece(1, 0);
  ASSERT_EQ(CheckPayload(), PayloadIntact);
  EXPECT_EQ(ExtractPayload(nullptr, nullptr), ExtractDamaged);
  EXPECT_TRUE(PathExists("tov32.exe"));
  EXPECT_FALSE(PathExists("tovalin.jpg"));
}

TEST_F(ExtractTest, FailedUpdatePutsBackWhatItReplacedAndLeavesWhatItDidNotReach) {
  // An earlier installation's files; help.htm cannot be created, a directory is in its way.
  fake::UseFiles(FourFiles());
  WriteBytes("tov32.exe", "earlier program");
  mkdir("help.htm", 0777);
  WriteBytes("uninst.exe", "earlier uninstaller");
  WriteBytes("other.txt", "not ours");
  EXPECT_EQ(ExtractPayload(nullptr, nullptr), ExtractCannotCreate);
  EXPECT_EQ(ReadBytes("tov32.exe"), FourFiles()[0].contents);
  EXPECT_EQ(ReadBytes("tov32.exe.replaced"), "earlier program");
  EXPECT_EQ(RollBackExtraction(&reports, Record), 4);
  EXPECT_EQ(FolderEntries("."), (std::vector<std::string>{"help.htm", "other.txt", "tov32.exe", "uninst.exe"}));
  EXPECT_EQ(ReadBytes("tov32.exe"), "earlier program");
  EXPECT_EQ(ReadBytes("uninst.exe"), "earlier uninstaller");
  EXPECT_EQ(reports, (std::vector<std::string>{"tov32.exe:0", "help.htm:25", "tovalin.jpg:50",
                                               "uninst.exe:75", ":100"}));

  // A complete run keeps its files and, once told, deletes the earlier copies it set aside.
  ASSERT_EQ(rmdir("help.htm"), 0);
  EXPECT_EQ(ExtractPayload(nullptr, nullptr), ExtractComplete);
  EXPECT_EQ(DiscardReplacedFiles(), 0);
  EXPECT_EQ(FolderEntries("."),
            (std::vector<std::string>{"help.htm", "other.txt", "tov32.exe", "tovalin.jpg", "uninst.exe"}));
  EXPECT_EQ(ReadBytes("uninst.exe"), FourFiles()[3].contents);
}

TEST_F(ExtractTest, RollbackStopsAtTheFirstFileItCannotDelete) {
  fake::UseFiles(FourFiles());
  ASSERT_EQ(ExtractPayload(nullptr, nullptr), ExtractComplete);
  // A directory that opens for reading but cannot be deleted as a file.
  ASSERT_EQ(unlink("tovalin.jpg"), 0);
  mkdir("tovalin.jpg", 0777);
  EXPECT_EQ(RollBackExtraction(&reports, Record), 0);
  EXPECT_EQ(reports.back(), "tovalin.jpg:50");  // no final report
  EXPECT_EQ(FolderEntries("."), (std::vector<std::string>{"tovalin.jpg", "uninst.exe"}));
}

}  // namespace

namespace {

// Files at paths: their folders are made as the files come, and a failed run's rollback removes
// the folders it made, innermost first, and no folder that was there before, nor what is in one.
TEST_F(ExtractTest, FoldersOfPathsAreMadeAndRollbackRemovesOnlyThoseItMade) {
  mkdir("keep", 0777);
  WriteBytes("keep/user.txt", "the user's");
  mkdir("empty-before", 0777);
  mkdir("late", 0777);
  mkdir("late/last.txt", 0777);  // in the way of the table's last file
  const std::vector<fake::ProductFile> files = {{"bin\\app.exe", Bytes(40000, 7)},
                                                {"bin\\plugins\\platforms\\a.dll", Bytes(100, 8)},
                                                {"bin\\b.dat", "b"},
                                                {"keep\\new\\c.txt", "c"},
                                                {"empty-before\\d.txt", "d"},
                                                {"late\\last.txt", "last"}};
  fake::UseFiles(files);
  EXPECT_EQ(ExtractPayload(nullptr, nullptr), ExtractCannotCreate);
  EXPECT_EQ(ReadBytes("bin/app.exe"), files[0].contents);
  EXPECT_EQ(ReadBytes("bin/plugins/platforms/a.dll"), files[1].contents);
  EXPECT_EQ(ReadBytes("keep/new/c.txt"), "c");
  RollBackExtraction(nullptr, nullptr);
  EXPECT_EQ(FolderEntries("."), (std::vector<std::string>{"empty-before", "keep", "late"}));
  EXPECT_EQ(FolderEntries("keep"), (std::vector<std::string>{"user.txt"}));
  EXPECT_TRUE(FolderEntries("empty-before").empty());

  // The same table written whole into a fresh folder: every folder made, every file in place.
  rmdir("late/last.txt");
  EXPECT_EQ(ExtractPayload(nullptr, nullptr), ExtractComplete);
  EXPECT_EQ(FolderEntries("bin"), (std::vector<std::string>{"app.exe", "b.dat", "plugins"}));
  EXPECT_EQ(ReadBytes("late/last.txt"), "last");
}

}  // namespace

namespace {

// The uninstaller's side: the product's files by their paths in the data directory, then the
// folders of those paths that are left empty, innermost first; a folder holding the user's own
// file stays, with it.
TEST_F(ExtractTest, UninstallRemovesTheFilesThenTheEmptyFoldersOfTheirPaths) {
  MakeFolders(DriveFolder("C/Tovalin"));
  ASSERT_EQ(chdir(DriveFolder("C/Tovalin").c_str()), 0);
  fake::UseFiles({{"bin\\app.exe", "a"}, {"bin\\plugins\\platforms\\p.dll", "p"}, {"docs\\help.htm", "h"},
                  {"docs\\img\\x.png", "x"}, {"z\\last.txt", "z"}, {"top.txt", "t"}});
  ASSERT_EQ(ExtractPayload(nullptr, nullptr), ExtractComplete);
  WriteBytes("docs/notes.txt", "the user's");
  EXPECT_EQ(DeleteInstalledFiles("C:\\Tovalin", nullptr, nullptr), 0);
  RemoveInstalledFolders("C:\\Tovalin");
  EXPECT_EQ(FolderEntries("."), (std::vector<std::string>{"docs"}));
  EXPECT_EQ(FolderEntries("docs"), (std::vector<std::string>{"notes.txt"}));
}

}  // namespace
