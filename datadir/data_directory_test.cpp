// Directory resolution under a scripted user, against the real file and profile services with
// drive letters mapped onto folders of the test.
#include "datadir/data_directory.h"

#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "driver/installation.h"
#include "platform/message_box.h"
#include "tests/fakes/fake_directory_dialog.h"
#include "tests/fakes/fake_platform.h"
#include "tests/fakes/temp_folder.h"
#include "tests/fakes/test_tables.h"

namespace {

// ---- the text helpers ---------------------------------------------------------------------

std::string Normalized(std::string text) {
  NormalizeSeparators(&text[0]);
  return text.c_str();
}

TEST(NormalizeSeparatorsTest, EveryRunOfEitherSeparatorBecomesOneBackslash) {
  EXPECT_EQ(Normalized("D://data\\\\x"), "D:\\data\\x");
  EXPECT_EQ(Normalized("\\\\server\\share"), "\\server\\share");
  EXPECT_EQ(Normalized("C:\\Tovalin\\/\\"), "C:\\Tovalin\\");
  EXPECT_EQ(Normalized("/"), "\\");
  EXPECT_EQ(Normalized("a/b\\c d"), "a\\b\\c d");
  EXPECT_EQ(Normalized(""), "");
}

std::string Stripped(std::string text, char ch) {
  StripTrailingChar(&text[0], ch);
  return text.c_str();
}

TEST(StripTrailingCharTest, RemovesOnlyOneMatchingLastCharacter) {
  EXPECT_EQ(Stripped("C:\\\\", '\\'), "C:\\");
  EXPECT_EQ(Stripped("C:/", '\\'), "C:/");
  EXPECT_EQ(Stripped("x", 'x'), "");
  EXPECT_EQ(Stripped("", '\\'), "");
}

std::string Home(const char* drive, const char* path, const char* group = "Tovalin") {
  char out[DataDirectorySize];
  if (!ComposeHomeDefault(drive, path, group, out, sizeof out)) return "<unusable:" + std::string(out) + ">";
  return out;
}

TEST(ComposeHomeDefaultTest, DriveThenPathThenGroup) {
  EXPECT_EQ(Home("C:", "\\"), "C:\\Tovalin");
  EXPECT_EQ(Home("C:", "\\users\\ann"), "C:\\users\\ann\\Tovalin");
  EXPECT_EQ(Home("C:", "\\users\\ann\\"), "C:\\users\\ann\\Tovalin");
  EXPECT_EQ(Home("E:\\", "\\home"), "E:\\home\\Tovalin");  // one '\' stripped from the drive
  EXPECT_EQ(Home("E:/", "/home/"), "E:/home\\Tovalin");     // stripped, not normalised
  EXPECT_EQ(Home("C:", "\\", "Velbrook"), "C:\\Velbrook");
}

TEST(ComposeHomeDefaultTest, PathWithItsOwnDriveAndAbsentVariables) {
  EXPECT_EQ(Home("C:", "D:\\home"), "D:\\home\\Tovalin");
  EXPECT_EQ(Home(nullptr, "D:"), "D:\\Tovalin");
  EXPECT_EQ(Home(nullptr, "\\users\\bo"), "C:\\users\\bo\\Tovalin");
  EXPECT_EQ(Home(nullptr, nullptr), "C:\\Tovalin");
  EXPECT_EQ(Home("C:", "D"), "C:D\\Tovalin");  // one character cannot carry a drive
}

TEST(ComposeHomeDefaultTest, TooLongIsUnusableNotCut) {
  // "C:" + path + "\Tovalin" is exactly 1,023 characters: it fits.
  const std::string fits(1023 - 2 - 8, 'p');
  EXPECT_EQ(Home("C:", fits.c_str()).size(), 1023u);
  EXPECT_EQ(Home("C:", (fits + "p").c_str()), "<unusable:>");
  EXPECT_EQ(Home("C:", std::string(5000, 'p').c_str()), "<unusable:>");
  EXPECT_EQ(Home(std::string(5000, 'd').c_str(), "\\"), "<unusable:>");
}

// ---- resolution ---------------------------------------------------------------------------

const char kShuttingDownText[] =
    "This program cannot operate without a data directory to store its files in. The program "
    "will exit now. Please determine an appropriate directory name and start the program again "
    "later.";
const char kCouldNotAccessText[] =
    "That directory does not exist and could not be created. Please enter a valid location for a "
    "directory on your system.";

class ChooseDataDirectoryTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    setenv("HOMEDRIVE", "C:", 1);
    setenv("HOMEPATH", "\\users\\ann", 1);
    MakeFolder("C/users/ann");
    memset(DataDirectory, 0, sizeof DataDirectory);
  }
  void TearDown() override {
    unsetenv("HOMEDRIVE");
    unsetenv("HOMEPATH");
    TempFolderTest::TearDown();
  }

  // Native folder of a drive-relative path such as "C/users/ann".
  std::string Native(const std::string& drivePath) const { return Root() + "/drives/" + drivePath; }
  void MakeFolder(const std::string& drivePath) const {
    ASSERT_EQ(system(("mkdir -p '" + Native(drivePath) + "'").c_str()), 0);
  }
  std::string Profile() const { return ReadFile(Root() + "/config/tovalin2.ini"); }
  void Store(const std::string& value) const { WriteFile(Root() + "/config/tovalin2.ini", "[Options]\ndataDir=" + value + "\n"); }
  static std::string Current() {
    char buffer[8192];
    return getcwd(buffer, sizeof buffer) ? buffer : "";
  }
  static std::vector<std::string> Captions() {
    std::vector<std::string> captions;
    for (const auto& message : fake::Messages()) captions.push_back(message.caption);
    return captions;
  }
};

TEST_F(ChooseDataDirectoryTest, FirstRunOpensTheDialogOnTheHomeDefaultWithNoErrorFirst) {
  fake::DialogOk();
  EXPECT_EQ(ChooseDataDirectory(nullptr, nullptr), 1);
  ASSERT_FALSE(fake::Events().empty());
  EXPECT_EQ(fake::Events()[0], "dialog:open:C:\\users\\ann\\Tovalin");
  EXPECT_TRUE(fake::Messages().empty());  // created on OK, with no question
  EXPECT_STREQ(DataDirectory, "C:\\users\\ann\\Tovalin");
  EXPECT_EQ(Current(), Native("C/users/ann/Tovalin"));
  EXPECT_EQ(Profile(), "[Options]\ndataDir=C:\\users\\ann\\Tovalin\n");
}

TEST_F(ChooseDataDirectoryTest, ExistingDefaultsAreEnteredSilently) {
  MakeFolder("C/users/ann/Tovalin");
  EXPECT_EQ(ChooseDataDirectory(nullptr, nullptr), 1);
  EXPECT_STREQ(DataDirectory, "C:\\users\\ann\\Tovalin");
  EXPECT_EQ(Current(), Native("C/users/ann/Tovalin"));

  // Program Files wins over the home default when it exists.
  MakeFolder("C/Program Files/Tovalin");
  WriteFile(Root() + "/config/tovalin2.ini", "");
  EXPECT_EQ(ChooseDataDirectory(nullptr, nullptr), 1);
  EXPECT_STREQ(DataDirectory, "C:\\Program Files\\Tovalin");
  EXPECT_EQ(Current(), Native("C/Program Files/Tovalin"));
  EXPECT_EQ(Profile(), "[Options]\ndataDir=C:\\Program Files\\Tovalin\n");
  EXPECT_TRUE(fake::Events().empty());
}

TEST_F(ChooseDataDirectoryTest, StoredDirectoryWinsAndIsNormalised) {
  MakeFolder("C/Program Files/Tovalin");
  MakeFolder("D/data/x");
  Store("D://data\\\\x");
  EXPECT_EQ(ChooseDataDirectory(nullptr, nullptr), 1);
  EXPECT_STREQ(DataDirectory, "D:\\data\\x");
  EXPECT_EQ(Current(), Native("D/data/x"));
  EXPECT_EQ(Profile(), "[Options]\ndataDir=D:\\data\\x\n");
  EXPECT_TRUE(fake::Events().empty());
}

TEST_F(ChooseDataDirectoryTest, StoredDirectoryThatIsGoneIsProposedAgain) {
  Store("D:\\gone");
  fake::DialogCancel();
  EXPECT_EQ(ChooseDataDirectory(nullptr, nullptr), 0);
  EXPECT_EQ(fake::DialogProposals(), std::vector<std::string>{"D:\\gone"});
}

TEST_F(ChooseDataDirectoryTest, HomePathWithItsOwnDrive) {
  setenv("HOMEPATH", "D:\\home", 1);
  unsetenv("HOMEDRIVE");
  fake::DialogCancel();
  ChooseDataDirectory(nullptr, nullptr);
  EXPECT_EQ(fake::DialogProposals(), std::vector<std::string>{"D:\\home\\Tovalin"});
}

TEST_F(ChooseDataDirectoryTest, MissingParentAndFileAreRefusedInsideTheDialog) {
  fake::Settings.groupName = "Velbrook";  // the example names groupName, not appTitle
  WriteFile(Native("C/users/ann/notes.txt"), "x");
  fake::DialogOk("C:\\nowhere\\deeper");
  fake::DialogOk("C:\\users\\ann\\notes.txt");
  fake::DialogOk("C:\\users\\ann\\Chosen");
  EXPECT_EQ(ChooseDataDirectory(nullptr, nullptr), 1);
  EXPECT_EQ(fake::DialogProposals(), std::vector<std::string>{"C:\\users\\ann\\Velbrook"});  // opened once
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Can't Create Directory", "Please Enter a Directory Name"}));
  EXPECT_EQ(fake::Messages()[1].text,
            "That path specifies a file, and not a new or existing directory name. Please enter a "
            "directory name, such as Velbrook for example.");
  EXPECT_FALSE(Exists(Native("C/nowhere")));
  EXPECT_EQ(Current(), Native("C/users/ann/Chosen"));
}

TEST_F(ChooseDataDirectoryTest, ExistingDirectoryNeedsAYes) {
  MakeFolder("E/shared");
  fake::DialogOk("E:/shared");
  fake::AnswerNext(kAnswerNo);
  fake::DialogOk();  // the same text again
  fake::AnswerNext(kAnswerYes);
  EXPECT_EQ(ChooseDataDirectory(nullptr, nullptr), 1);
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Write Data to Existing Directory?",
                                                  "Write Data to Existing Directory?"}));
  EXPECT_STREQ(DataDirectory, "E:\\shared");  // normalised after the dialog
  EXPECT_EQ(Current(), Native("E/shared"));
}

TEST_F(ChooseDataDirectoryTest, NetworkPathPassesTheDialogButCannotBeEntered) {
  MakeFolder("UNC/server/share");
  fake::DialogOk("\\\\server\\share");
  fake::AnswerNext(kAnswerYes);
  fake::DialogCancel();
  EXPECT_EQ(ChooseDataDirectory(nullptr, nullptr), 0);
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Write Data to Existing Directory?", "Couldn't Access Directory",
                                                  "Shutting Down"}));
  EXPECT_EQ(fake::Messages()[1].text, kCouldNotAccessText);
  EXPECT_EQ(fake::Messages()[1].style, kMessageOk | kMessageWarning);
  // The second opening shows the normalised text, which names \server\share on drive C:.
  EXPECT_EQ(fake::DialogProposals(), (std::vector<std::string>{"C:\\users\\ann\\Tovalin", "\\server\\share"}));
  EXPECT_FALSE(Exists(Native("C/server")));
  EXPECT_FALSE(Exists(Root() + "/config/tovalin2.ini"));
}

TEST_F(ChooseDataDirectoryTest, TrailingSeparatorIsKept) {
  fake::DialogOk("C:\\users\\ann\\New\\");
  EXPECT_EQ(ChooseDataDirectory(nullptr, nullptr), 1);
  EXPECT_STREQ(DataDirectory, "C:\\users\\ann\\New\\");
  EXPECT_EQ(Current(), Native("C/users/ann/New"));
  EXPECT_EQ(Profile(), "[Options]\ndataDir=C:\\users\\ann\\New\\\n");
}

TEST_F(ChooseDataDirectoryTest, CancelAndAnUnshowableDialogBothGiveUp) {
  fake::DialogCancel();
  EXPECT_EQ(ChooseDataDirectory(nullptr, nullptr), 0);
  ASSERT_EQ(Captions(), std::vector<std::string>{"Shutting Down"});
  EXPECT_EQ(fake::Messages()[0].text, kShuttingDownText);
  EXPECT_EQ(fake::Messages()[0].style, kMessageOk | kMessageWarning);

  fake::Reset();
  fake::DialogCannotShow();
  EXPECT_EQ(ChooseDataDirectory(nullptr, nullptr), 0);
  EXPECT_EQ(fake::Events(), (std::vector<std::string>{"dialog:cannot-show", "message:Shutting Down"}));
  EXPECT_FALSE(Exists(Root() + "/config/tovalin2.ini"));
}

TEST_F(ChooseDataDirectoryTest, OwnerIsUsedForTheDialogAndEveryMessage) {
  int window;
  fake::DialogOk("C:\\nowhere\\deeper");
  fake::DialogOk("\\\\server\\share");
  fake::DialogCancel();
  MakeFolder("UNC/server/share");
  fake::AnswerNext(kAnswerOk);
  fake::AnswerNext(kAnswerYes);
  ChooseDataDirectory(nullptr, &window);
  EXPECT_EQ(fake::DialogOwner(), &window);
  ASSERT_EQ(fake::Messages().size(), 4u);
  for (const auto& message : fake::Messages()) EXPECT_EQ(message.owner, &window) << message.caption;
}

TEST_F(ChooseDataDirectoryTest, CancelThroughTheInstallationWritesNothing) {
  fake::UseFiles({{"tov32.exe", "program"}, {"uninst.exe", "uninstaller"}});
  fake::DialogCancel();
  EXPECT_EQ(RunInstallation(nullptr), 0);
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Shutting Down", "Application Not Installed"}));
  EXPECT_EQ(fake::Messages()[1].text,
            "The application will not be installed at this time.If you decide to install the "
            "application later, just launch this program again to complete the installation process.");
  EXPECT_TRUE(List(".").empty());
  EXPECT_EQ(List(Native("C/users/ann")), std::vector<std::string>{});
  EXPECT_FALSE(Exists(Root() + "/config/tovalin2.ini"));
}

// ---- long texts ----------------------------------------------------------------------------

// A Windows path of exactly `length` characters on drive C: made of 100-character folder names,
// and the native folders for all of it.
std::string LongPath(size_t length) {
  std::string path = "C:";
  while (path.size() + 101 < length) path += "\\" + std::string(100, 'f');
  path += "\\" + std::string(length - path.size() - 1, 'g');
  return path;
}

TEST_F(ChooseDataDirectoryTest, StoredDirectoryOfMaximumLength) {
  const std::string path = LongPath(1023);
  std::string native = path.substr(3);
  for (char& ch : native) if (ch == '\\') ch = '/';
  MakeFolder("C/" + native);
  Store(path);
  EXPECT_EQ(ChooseDataDirectory(nullptr, nullptr), 1);
  EXPECT_EQ(std::string(DataDirectory), path);
  EXPECT_EQ(Current(), Native("C/" + native));

  // One character more is cut to the buffer, never written past it.
  Store(path + "h");
  EXPECT_EQ(ChooseDataDirectory(nullptr, nullptr), 1);  // the cut text is the same directory
  EXPECT_EQ(strlen(DataDirectory), 1023u);
}

TEST_F(ChooseDataDirectoryTest, VeryLongHomePathLeavesTheProposalEmpty) {
  setenv("HOMEPATH", ("\\" + std::string(5000, 'h')).c_str(), 1);
  fake::DialogCancel();
  EXPECT_EQ(ChooseDataDirectory(nullptr, nullptr), 0);
  EXPECT_EQ(fake::DialogProposals(), std::vector<std::string>{""});

  // Short enough to read, too long once the group name is added.
  fake::Reset();
  setenv("HOMEPATH", ("\\" + std::string(1015, 'h')).c_str(), 1);
  fake::DialogCancel();
  ChooseDataDirectory(nullptr, nullptr);
  EXPECT_EQ(fake::DialogProposals().back(), "");
}

}  // namespace
