// The native profile file: reading with a fallback, and rewriting one entry in place.
#include "platform/profile.h"

#include <string.h>
#include <sys/stat.h>

#include "tests/support/temp_folder.h"

namespace {

class ProfileTest : public TempFolderTest {
 protected:
  std::string Path() const { return Root() + "/config/tovalin2.ini"; }
  static std::string Read(const char* section, const char* key, size_t size = 64) {
    char buffer[64];
    memset(buffer, '#', sizeof buffer);
    const bool whole = ReadProfileText("tovalin2.ini", section, key, "fallback", buffer, size);
    EXPECT_EQ(whole, buffer[0] != '\0');
    if (size < sizeof buffer) {
      EXPECT_EQ(buffer[size], '#');  // nothing written past the buffer
    }
    return buffer;
  }
};

TEST_F(ProfileTest, ReadFindsTheKeyOfItsSectionOnly) {
  EXPECT_EQ(Read("Options", "dataDir"), "fallback");  // no file
  WriteBytes(Path(),
            "; comment dataDir=no\r\n[Other]\r\ndataDir=other\r\n[ options ]\r\n  DATADIR = \"C:\\x y\" \r\n"
            "[Last]\r\n");
  EXPECT_EQ(Read("Options", "dataDir"), "C:\\x y");
  EXPECT_EQ(Read("Other", "dataDir"), "other");
  EXPECT_EQ(Read("Last", "dataDir"), "fallback");
  EXPECT_EQ(Read("Options", "missing"), "fallback");
  EXPECT_EQ(Read("Options", "dataDir", 7), "C:\\x y");  // just fits, terminator included
  EXPECT_EQ(Read("Options", "dataDir", 6), "");         // never cut to name another directory
  EXPECT_EQ(Read("Options", "missing", 8), "");
}

TEST_F(ProfileTest, WriteKeepsEveryOtherLine) {
  const std::string before =
      "; kept comment\n[Other]\nkey=1\n\n[Options]\nfirst=a\n; note\ndataDir=old\nlast=z\n\n[After]\nx=y";
  WriteBytes(Path(), before);
  ASSERT_TRUE(WriteProfileText("tovalin2.ini", "Options", "dataDir", "D:\\new"));
  EXPECT_EQ(ReadBytes(Path()),
            "; kept comment\n[Other]\nkey=1\n\n[Options]\nfirst=a\n; note\ndataDir=D:\\new\nlast=z\n\n[After]\nx=y");

  // A new key goes after the section's last entry; a new section at the end.
  ASSERT_TRUE(WriteProfileText("tovalin2.ini", "options", "added", "1"));
  ASSERT_TRUE(WriteProfileText("tovalin2.ini", "New", "k", "v"));
  EXPECT_EQ(ReadBytes(Path()),
            "; kept comment\n[Other]\nkey=1\n\n[Options]\nfirst=a\n; note\ndataDir=D:\\new\nlast=z\nadded=1\n\n"
            "[After]\nx=y\n[New]\nk=v\n");

  // A null value removes that key's line alone; removing it again changes nothing.
  ASSERT_TRUE(WriteProfileText("tovalin2.ini", "OPTIONS", "datadir", nullptr));
  ASSERT_TRUE(WriteProfileText("tovalin2.ini", "Options", "dataDir", nullptr));
  EXPECT_EQ(ReadBytes(Path()),
            "; kept comment\n[Other]\nkey=1\n\n[Options]\nfirst=a\n; note\nlast=z\nadded=1\n\n"
            "[After]\nx=y\n[New]\nk=v\n");
}

TEST_F(ProfileTest, WriteIntoEmptySectionsCrlfFilesAndMissingFolders) {
  WriteBytes(Path(), "[Options]");
  ASSERT_TRUE(WriteProfileText("tovalin2.ini", "Options", "dataDir", "C:\\a"));
  EXPECT_EQ(ReadBytes(Path()), "[Options]\ndataDir=C:\\a\n");

  WriteBytes(Path(), "[Other]\r\nk=v\r\n");
  ASSERT_TRUE(WriteProfileText("tovalin2.ini", "Options", "dataDir", "C:\\a"));
  EXPECT_EQ(ReadBytes(Path()), "[Other]\r\nk=v\r\n[Options]\r\ndataDir=C:\\a\r\n");

  // A fresh system may have no configuration folder yet.
  setenv("XDG_CONFIG_HOME", (Root() + "/config/fresh").c_str(), 1);
  ASSERT_TRUE(WriteProfileText("tovalin2.ini", "Options", "dataDir", "C:\\a"));
  EXPECT_EQ(ReadBytes(Root() + "/config/fresh/tovalin2.ini"), "[Options]\ndataDir=C:\\a\n");
  EXPECT_EQ(FolderEntries(Root() + "/config/fresh"), std::vector<std::string>{"tovalin2.ini"});  // no leftovers
}

}  // namespace
