// The installation's record as the update and the uninstaller read it: what is read, what is
// refused as a whole, and that writing it never leaves a record that tells something else.
#include "payload/install_record.h"

#include <sys/stat.h>
#include <unistd.h>

#include "payload/extract.h"
#include "tests/support/fakes.h"
#include "tests/support/temp_folder.h"

namespace {

const std::string kHead = "install record 1\nversion\t1.0\ntitle\tTovalin\ngroup\tTovalin\nproduct\tTovalin\nscope\tall\nstartup\tyes\n";

class InstallRecordTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    ASSERT_TRUE(MakeFolders(Data()));
    ASSERT_EQ(chdir(Data().c_str()), 0);
  }
  std::string Data() const { return DriveFolder("C/Tovalin"); }
};

TEST_F(InstallRecordTest, ReadsOnlyARecordItCanTrustWhole) {
  struct Case {
    const char* label;
    std::string text;  // empty: no record at all
    RecordStatus status;
    bool directoryCreated = true;  // when read: a record without the line keeps the directory's removal
  };
  const std::vector<Case> cases = {
      {"no record", "", RecordMissing},
      {"files and folders", kHead + "folder\tbin\nfile\tbin\\a.exe\nfile\tb.txt\n", RecordRead},
      {"Windows line ends", "install record 1\r\nversion\t\r\ntitle\tT\r\ngroup\tG\r\nproduct\tG\r\nscope\tuser\r\nstartup\tno\r\n",
       RecordRead},
      {"a key of a later version", kHead + "later\tanything\n", RecordRead},
      {"a later format", "install record 2\n" + kHead.substr(17), RecordDamaged},
      {"a blank line", "\n", RecordDamaged},
      {"cut off in its last line", kHead + "file\tb.t", RecordDamaged},
      {"a line without a tab", kHead + "file b.txt\n", RecordDamaged},
      {"a path up and out", kHead + "file\t..\\..\\Windows\\win.ini\n", RecordDamaged},
      {"a path on a drive", kHead + "file\tC:\\Windows\\win.ini\n", RecordDamaged},
      {"a path from the root", kHead + "folder\t\\Windows\n", RecordDamaged},
      {"a control character", kHead + "file\ta\tb\n", RecordDamaged},
      {"a zero byte", kHead + std::string("file\ta\0b\n", 9), RecordDamaged},
      {"a title Program Manager cannot take", "install record 1\nversion\t1\ntitle\tT)]\ngroup\tG\nproduct\tG\nscope\tall\nstartup\tno\n",
       RecordDamaged},
      {"a directory that was there before", kHead + "directory\tfound\n", RecordRead, false},
      {"a directory neither created nor found", kHead + "directory\tmine\n", RecordDamaged},
      {"no scope", "install record 1\nversion\t1\ntitle\tT\ngroup\tG\nproduct\tG\nstartup\tno\n", RecordDamaged},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    unlink("uninst.dat");
    if (!c.text.empty()) WriteBytes("uninst.dat", c.text);
    InstallRecord record;
    EXPECT_EQ(ReadInstallRecord("C:\\Tovalin", &record), c.status);
    if (c.status == RecordRead) {
      EXPECT_TRUE(record.text != nullptr && record.appTitle != nullptr && record.groupName != nullptr);
      EXPECT_EQ(record.directoryCreated, c.directoryCreated);
    } else {
      EXPECT_EQ(record.text, nullptr);
      EXPECT_EQ(record.fileCount + record.folderCount, 0);
    }
    FreeInstallRecord(&record);
  }
  // A folder of the record's name is no record either.
  unlink("uninst.dat");
  ASSERT_EQ(mkdir("uninst.dat", 0777), 0);
  InstallRecord record;
  EXPECT_EQ(ReadInstallRecord("C:\\Tovalin", &record), RecordDamaged);
}

TEST_F(InstallRecordTest, WritesOverTheEarlierRecordInOneStepOrNotAtAll) {
  fake::UseFiles({{"bin\\a.exe", "a"}, {"b.txt", "b"}});
  ASSERT_EQ(ExtractPayload(nullptr, nullptr), ExtractComplete);
  // What a crash while writing the last record left beside it changes nothing.
  WriteBytes("uninst.dat", kHead + "file\told.txt\n");
  WriteBytes("uninst.dat.new", "install rec");
  InstallRecord earlier;
  ASSERT_EQ(ReadInstallRecord("C:\\Tovalin", &earlier), RecordRead);
  ASSERT_EQ(earlier.fileCount, 1);
  EXPECT_STREQ(earlier.files[0], "old.txt");

  const InstallationMade made = {"2.0", "Tovalin", "Tovalin", "Tovalin", false, false, false};
  EXPECT_TRUE(WriteInstallRecord("C:\\Tovalin", made, &earlier));
  FreeInstallRecord(&earlier);
  const std::string written = ReadBytes("uninst.dat");
  EXPECT_EQ(written,
            "install record 1\nversion\t2.0\ntitle\tTovalin\ngroup\tTovalin\nproduct\tTovalin\nscope\tuser\nstartup\tno\n"
            "directory\tfound\nfolder\tbin\nfile\tbin\\a.exe\nfile\tb.txt\nfile\told.txt\n");
  EXPECT_FALSE(PathExists("uninst.dat.new"));

  // The record cannot be written (a folder is in the way of its new copy): the earlier one, which
  // no longer tells this installation, goes too, so that nothing acts on it.
  ASSERT_EQ(mkdir("uninst.dat.new", 0777), 0);
  EXPECT_FALSE(WriteInstallRecord("C:\\Tovalin", made, nullptr));
  EXPECT_FALSE(PathExists("uninst.dat"));
}

}  // namespace
