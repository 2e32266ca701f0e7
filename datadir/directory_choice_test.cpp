// The OK check of the directory dialog on the Windows path cases, with drives mapped onto
// folders of the test.
#include <stdio.h>
#include <unistd.h>

#include "datadir/data_directory.h"
#include "platform/message_box.h"
#include "tests/support/expected_texts.h"
#include "tests/support/fakes.h"
#include "tests/support/temp_folder.h"

namespace {

// What Press answers for each outcome: the caption of the message shown, and the dialog's fate.
const std::string kCreated = "|closed";
const std::string kCannotCreate = std::string(expected::kCannotCreateDirectoryCaption) + "|stays";
const std::string kAskedAndAccepted = std::string(expected::kExistingDirectoryCaption) + "|closed";
const std::string kAskedAndKept = std::string(expected::kExistingDirectoryCaption) + "|stays";

class DirectoryChoiceTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    ASSERT_TRUE(MakeFolders(DriveFolder("C/Tovalin")));
  }

  // Presses OK on `text`; returns the caption of the one message shown ("" for none) and
  // whether the dialog closed, as "caption|closed".
  static std::string Press(const char* text, int answer = kAnswerNo) {
    fake::Reset();
    fake::AnswerNext(answer);
    snprintf(DataDirectory, sizeof DataDirectory, "%s", text);
    const int close = ValidateDirectoryChoice(DataDirectory, sizeof DataDirectory, nullptr);
    EXPECT_LE(fake::Messages().size(), 1u) << text;
    const std::string caption = fake::Messages().empty() ? "" : fake::Messages()[0].caption;
    return caption + "|" + (close ? "closed" : "stays");
  }
  bool Drive(const char* path) const { return PathExists(DriveFolder(path)); }
};

TEST_F(DirectoryChoiceTest, NewDirectoryIsCreatedWithoutAQuestion) {
  EXPECT_EQ(Press("C:\\Tovalin\\Data"), kCreated);
  EXPECT_TRUE(Drive("C/Tovalin/Data"));
  EXPECT_EQ(Press("C:\\Deep\\Er"), kCannotCreate);
  EXPECT_EQ(fake::Messages()[0].text, expected::kCannotCreateDirectoryText);
  EXPECT_EQ(fake::Messages()[0].style, kMessageOk | kMessageWarning);
  EXPECT_FALSE(Drive("C/Deep"));
  EXPECT_EQ(Press("Q:\\Tovalin"), kCannotCreate);  // a drive that is not there
}

TEST_F(DirectoryChoiceTest, ExistingDirectoryAlwaysAsks) {
  EXPECT_EQ(Press("C:\\Tovalin", kAnswerYes), kAskedAndAccepted);
  EXPECT_EQ(fake::Messages()[0].text, expected::kExistingDirectoryText);
  EXPECT_EQ(fake::Messages()[0].style, kMessageYesNo);
  EXPECT_EQ(Press("C:\\Tovalin", kAnswerNo), kAskedAndKept);
  EXPECT_EQ(Press("c:/Tovalin", kAnswerCancel), kAskedAndKept);  // only Yes assents
}

TEST_F(DirectoryChoiceTest, WindowsPathCases) {
  EXPECT_EQ(Press("C:"), kCannotCreate);  // a bare drive neither exists nor can be made
  EXPECT_EQ(Press("C:\\", kAnswerYes), kAskedAndAccepted);
  EXPECT_EQ(Press("C:/", kAnswerYes), kAskedAndAccepted);
  EXPECT_EQ(Press("C:\\Tovalin\\"), kCannotCreate);  // existing, with a trailing separator
  EXPECT_EQ(Press("C:\\To?alin"), kCannotCreate);
  EXPECT_EQ(Press("C:\\New*"), kCannotCreate);
  EXPECT_FALSE(Drive("C/New*"));
  EXPECT_EQ(Press("C:\\Fresh\\"), kCreated);  // a new one is made, trailing separator and all
  EXPECT_TRUE(Drive("C/Fresh"));
  EXPECT_STREQ(DataDirectory, "C:\\Fresh\\");
}

TEST_F(DirectoryChoiceTest, RelativeEntriesAreCheckedAndKeptAsTheFullPathTheyName) {
  // Started from C:\Tovalin, as from a downloads folder.
  ASSERT_TRUE(MakeFolders(DriveFolder("D")));
  ASSERT_EQ(chdir(DriveFolder("C/Tovalin").c_str()), 0);
  struct Case {
    const char* typed;
    int answer;
    std::string outcome;
    const char* kept;  // DataDirectory afterwards
  };
  const Case cases[] = {
      {"Data", kAnswerNo, kCreated, "C:\\Tovalin\\Data"},
      {"apps\\Tovalin", kAnswerNo, kCannotCreate, "C:\\Tovalin\\apps\\Tovalin"},
      {"..\\Tovalin", kAnswerYes, kAskedAndAccepted, "C:\\Tovalin"},
      {"\\Rooted", kAnswerNo, kCreated, "C:\\Rooted"},
      {"D:Other", kAnswerNo, kCreated, "D:\\Other"},
      {"C:", kAnswerNo, kCannotCreate, "C:"},  // a bare drive as before
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Press(c.typed, c.answer), c.outcome) << c.typed;
    EXPECT_STREQ(DataDirectory, c.kept) << c.typed;
  }
  EXPECT_TRUE(Drive("C/Tovalin/Data"));
  EXPECT_TRUE(Drive("C/Rooted"));
  EXPECT_TRUE(Drive("D/Other"));

  // A full path that does not fit is refused, not cut to another directory.
  const std::string deep = std::string(DataDirectorySize - 11, 'd');  // one too many once C:\Tovalin\ is put before
  EXPECT_EQ(Press(deep.c_str()), kCannotCreate);
  EXPECT_EQ(std::string(DataDirectory), deep);
  // Outside every drive folder the current directory has no Windows name.
  ASSERT_EQ(chdir(Root().c_str()), 0);
  EXPECT_EQ(Press("Tovalin"), kCannotCreate);
  EXPECT_EQ(FolderEntries(Root()), (std::vector<std::string>{"config", "drives", "home", "work"}));
}

}  // namespace
