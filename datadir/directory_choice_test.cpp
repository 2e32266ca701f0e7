// The OK check of the directory dialog on the Windows path cases, with drives mapped onto
// folders of the test.
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include "datadir/data_directory.h"
#include "platform/message_box.h"
#include "tests/fakes/fake_platform.h"
#include "tests/fakes/temp_folder.h"

namespace {

const char kCannotCreateText[] =
    "That directory does not exist, and the application was not able to create it. Most likely "
    "the parent directory does not exist or you have entered a path the program does not have "
    "write access to.";
const char kExistingText[] =
    "That directory already exists. The application can use it, but we do not recommend using a "
    "directory name that is already being used for other purposes. Are you sure you want to use "
    "this directory?";

class DirectoryChoiceTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    ASSERT_EQ(system(("mkdir -p '" + Root() + "/drives/C/Tovalin'").c_str()), 0);
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
  bool Drive(const char* path) const { return Exists(Root() + "/drives/" + path); }
};

TEST_F(DirectoryChoiceTest, NewDirectoryIsCreatedWithoutAQuestion) {
  EXPECT_EQ(Press("C:\\Tovalin\\Data"), "|closed");
  EXPECT_TRUE(Drive("C/Tovalin/Data"));
  EXPECT_EQ(Press("C:\\Deep\\Er"), "Can't Create Directory|stays");
  EXPECT_EQ(fake::Messages()[0].text, kCannotCreateText);
  EXPECT_EQ(fake::Messages()[0].style, kMessageOk | kMessageWarning);
  EXPECT_FALSE(Drive("C/Deep"));
  EXPECT_EQ(Press("Q:\\Tovalin"), "Can't Create Directory|stays");  // a drive that is not there
}

TEST_F(DirectoryChoiceTest, ExistingDirectoryAlwaysAsks) {
  EXPECT_EQ(Press("C:\\Tovalin", kAnswerYes), "Write Data to Existing Directory?|closed");
  EXPECT_EQ(fake::Messages()[0].text, kExistingText);
  EXPECT_EQ(fake::Messages()[0].style, kMessageYesNo);
  EXPECT_EQ(Press("C:\\Tovalin", kAnswerNo), "Write Data to Existing Directory?|stays");
  EXPECT_EQ(Press("c:/Tovalin", kAnswerCancel), "Write Data to Existing Directory?|stays");  // only Yes assents
}

TEST_F(DirectoryChoiceTest, WindowsPathCases) {
  EXPECT_EQ(Press("C:"), "Can't Create Directory|stays");  // a bare drive neither exists nor can be made
  EXPECT_EQ(Press("C:\\", kAnswerYes), "Write Data to Existing Directory?|closed");
  EXPECT_EQ(Press("C:/", kAnswerYes), "Write Data to Existing Directory?|closed");
  EXPECT_EQ(Press("C:\\Tovalin\\"), "Can't Create Directory|stays");  // existing, with a trailing separator
  EXPECT_EQ(Press("C:\\To?alin"), "Can't Create Directory|stays");
  EXPECT_EQ(Press("C:\\New*"), "Can't Create Directory|stays");
  EXPECT_FALSE(Drive("C/New*"));
  EXPECT_EQ(Press("C:\\Fresh\\"), "|closed");  // a new one is made, trailing separator and all
  EXPECT_TRUE(Drive("C/Fresh"));
  EXPECT_STREQ(DataDirectory, "C:\\Fresh\\");
}

TEST_F(DirectoryChoiceTest, RelativeEntriesAreCheckedAndKeptAsTheFullPathTheyName) {
  // Started from C:\Tovalin, as from a downloads folder.
  ASSERT_EQ(system(("mkdir -p '" + Root() + "/drives/D'").c_str()), 0);
  ASSERT_EQ(chdir((Root() + "/drives/C/Tovalin").c_str()), 0);
  struct Case {
    const char* typed;
    int answer;
    const char* outcome;
    const char* kept;  // DataDirectory afterwards
  };
  const Case cases[] = {
      {"Data", kAnswerNo, "|closed", "C:\\Tovalin\\Data"},
      {"apps\\Tovalin", kAnswerNo, "Can't Create Directory|stays", "C:\\Tovalin\\apps\\Tovalin"},
      {"..\\Tovalin", kAnswerYes, "Write Data to Existing Directory?|closed", "C:\\Tovalin"},
      {"\\Rooted", kAnswerNo, "|closed", "C:\\Rooted"},
      {"D:Other", kAnswerNo, "|closed", "D:\\Other"},
      {"C:", kAnswerNo, "Can't Create Directory|stays", "C:"},  // a bare drive as before
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
  EXPECT_EQ(Press(deep.c_str()), "Can't Create Directory|stays");
  EXPECT_EQ(std::string(DataDirectory), deep);
  // Outside every drive folder the current directory has no Windows name.
  ASSERT_EQ(chdir(Root().c_str()), 0);
  EXPECT_EQ(Press("Tovalin"), "Can't Create Directory|stays");
  EXPECT_EQ(List(Root()), (std::vector<std::string>{"config", "drives", "home", "work"}));
}

}  // namespace
