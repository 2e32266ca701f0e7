// The native file services answering Windows path questions, with drives mapped onto folders.
#include <unistd.h>

#include "platform/files.h"
#include "platform/native_path.h"
#include "tests/support/temp_folder.h"

namespace {

class NativeFilesTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    ASSERT_TRUE(MakeFolders(DriveFolder("C/dir")));
    ASSERT_TRUE(MakeFolders(DriveFolder("D/data")));
    WriteBytes(DriveFolder("C/file.txt"), "x");
  }
  std::string Drives() const { return Root() + "/drives"; }
  static std::string Mapped(const char* path) {
    char out[4096];
    return MapNativePath(path, out, sizeof out, nullptr) ? out : "<does not fit>";
  }
  // "dir", "file" or "none", as QueryPath answers.
  static std::string Query(const char* path) {
    bool isDirectory = false;
    if (QueryPath(path, &isDirectory) != 0) return "none";
    return isDirectory ? "dir" : "file";
  }
  static std::string Current() {
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) ? buffer : "";
  }
};

TEST_F(NativeFilesTest, MappingOfDrivesSharesRootedAndRelativePaths) {
  EXPECT_EQ(Mapped("c:\\dir\\x"), Drives() + "/C/dir/x");
  EXPECT_EQ(Mapped("D:/data"), Drives() + "/D/data");
  EXPECT_EQ(Mapped("C:dir"), Drives() + "/C/dir");  // drive-relative, from the drive's root
  EXPECT_EQ(Mapped("\\\\server\\share\\a"), Drives() + "/UNC/server/share/a");
  EXPECT_EQ(Mapped("\\top"), Drives() + "/C/top");  // the current folder lies in no drive: C:
  ASSERT_EQ(chdir((Drives() + "/D/data").c_str()), 0);
  EXPECT_EQ(Mapped("\\top"), Drives() + "/D/top");
  EXPECT_EQ(Mapped("d:x"), "x");  // the current drive's own current directory
  EXPECT_EQ(Mapped("C:x"), Drives() + "/C/x");
  EXPECT_EQ(Mapped("rel\\x"), "rel/x");
  bool bareDrive = false;
  char out[4096];
  EXPECT_TRUE(MapNativePath("C:", out, sizeof out, &bareDrive) && bareDrive);
  EXPECT_FALSE(MapNativePath("C:\\dir", out, 8, nullptr));
  EXPECT_FALSE(MapNativePath(std::string(40, 'a').c_str(), out, 40, nullptr));
}

TEST_F(NativeFilesTest, FullPathsOfRelativeEntriesAreWhatWindowsMakes) {
  // What GetFullPathNameA gives under Wine for the same texts and current directories.
  ASSERT_TRUE(MakeFolders(DriveFolder("C/downloads/sub")));
  struct Case {
    const char* current;  // the current directory, under the drives folder ("" for outside it)
    const char* path;
    const char* full;     // "<none>" where there is no full path
  };
  const Case cases[] = {
      {"C/downloads/sub", "Tovalin", "C:\\downloads\\sub\\Tovalin"},
      {"C/downloads/sub", "apps/Tovalin", "C:\\downloads\\sub\\apps\\Tovalin"},
      {"C/downloads/sub", "a\\\\b\\.\\c", "C:\\downloads\\sub\\a\\b\\c"},
      {"C/downloads/sub", "..\\x", "C:\\downloads\\x"},
      {"C/downloads/sub", "..\\..\\..\\..\\x", "C:\\x"},  // never above the root
      {"C/downloads/sub", ".", "C:\\downloads\\sub"},
      {"C/downloads/sub", "..", "C:\\downloads"},
      {"C/downloads/sub", "Tovalin\\", "C:\\downloads\\sub\\Tovalin\\"},  // the separator stays
      {"C/downloads/sub", "a/./b/", "C:\\downloads\\sub\\a\\b\\"},
      {"C/downloads/sub", "Tovalin. ", "C:\\downloads\\sub\\Tovalin"},
      {"C/downloads/sub", "a.\\b", "C:\\downloads\\sub\\a\\b"},
      {"C/downloads/sub", "...", "C:\\downloads\\sub\\"},
      {"C/downloads/sub", "C:..\\x", "C:\\downloads\\x"},  // the current drive's own directory
      {"C/downloads/sub", "D:Tovalin", "D:\\Tovalin"},         // another drive's is its root
      {"C/downloads/sub", "\\Tovalin", "C:\\Tovalin"},
      {"C/downloads/sub", "\\", "C:\\"},
      {"C", "Tovalin", "C:\\Tovalin"},
      {"D/data", "\\Tovalin", "D:\\Tovalin"},
      {"D/data", "d:x", "D:\\data\\x"},
      {"", "Tovalin", "<none>"},  // outside every drive folder there is no Windows name
      {"", "\\Tovalin", "C:\\Tovalin"},
      {"", "D:Tovalin", "D:\\Tovalin"},
      {"C/downloads/sub", "C:\\Tovalin", "<none>"},  // not relative: nothing to make full
      {"C/downloads/sub", "C:", "<none>"},
      {"C/downloads/sub", "\\\\server\\share", "<none>"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(chdir(c.current[0] != '\0' ? (Drives() + "/" + c.current).c_str() : Root().c_str()), 0);
    char full[64];
    EXPECT_EQ(MakeFullPath(c.path, full, sizeof full) ? std::string(full) : "<none>", c.full)
        << c.path << " from " << c.current;
  }
  // A result that does not fit is refused, never cut.
  ASSERT_EQ(chdir((Drives() + "/C/downloads/sub").c_str()), 0);
  char full[25];
  EXPECT_TRUE(MakeFullPath("Tovalin", full, sizeof full));  // 24 characters
  EXPECT_FALSE(MakeFullPath("Tovalin2", full, sizeof full));
  EXPECT_STREQ(full, "");
}

TEST_F(NativeFilesTest, QueryAnswersAsWindowsDoes) {
  EXPECT_EQ(Query("C:\\dir"), "dir");
  EXPECT_EQ(Query("C:\\file.txt"), "file");
  EXPECT_EQ(Query("C:"), "none");
  EXPECT_EQ(Query("C:\\"), "dir");
  EXPECT_EQ(Query("c:/"), "dir");
  EXPECT_EQ(Query("Q:\\"), "none");  // no folder stands for drive Q
  EXPECT_EQ(Query("C:\\dir\\"), "none");
  EXPECT_EQ(Query("C:\\dir/"), "none");
  EXPECT_EQ(Query("C:\\d?r"), "none");
  EXPECT_EQ(Query("C:\\*"), "none");
  EXPECT_EQ(Query(""), "none");
  EXPECT_EQ(Query("\\dir"), "dir");
}

TEST_F(NativeFilesTest, CreateMakesOneLevelOnly) {
  EXPECT_EQ(CreateDirectoryLevel("C:\\dir\\new"), 0);
  EXPECT_EQ(CreateDirectoryLevel("C:\\dir\\new"), -1);  // exists now
  EXPECT_EQ(CreateDirectoryLevel("C:\\missing\\new"), -1);
  EXPECT_EQ(CreateDirectoryLevel("C:"), -1);
  EXPECT_EQ(CreateDirectoryLevel("C:\\"), -1);
  EXPECT_EQ(CreateDirectoryLevel("C:\\a?b"), -1);
  EXPECT_EQ(CreateDirectoryLevel("C:\\a:b"), -1);
  EXPECT_EQ(CreateDirectoryLevel("C:\\trail\\"), 0);
  EXPECT_EQ(FolderEntries(Drives() + "/C"), (std::vector<std::string>{"dir", "file.txt", "trail"}));
}

TEST_F(NativeFilesTest, ChangeDirectoryAcceptsATrailingSeparator) {
  EXPECT_EQ(ChangeDirectory("C:\\dir\\"), 0);
  EXPECT_EQ(Current(), Drives() + "/C/dir");
  EXPECT_EQ(ChangeDirectory("D:\\data"), 0);
  EXPECT_EQ(Current(), Drives() + "/D/data");
  EXPECT_EQ(ChangeDirectory("\\dir"), -1);  // \dir on D: now
  EXPECT_EQ(ChangeDirectory("C:\\file.txt"), -1);
  EXPECT_EQ(ChangeDirectory("C:\\nothing"), -1);
  EXPECT_EQ(Current(), Drives() + "/D/data");
}

}  // namespace
