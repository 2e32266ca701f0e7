// Directory resolution under a scripted user, against the real file and profile services with
// drive letters mapped onto folders of the test.
#include "datadir/data_directory.h"

#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/message_box.h"
#include "tests/support/expected_texts.h"
#include "tests/support/fakes.h"
#include "tests/support/temp_folder.h"

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

  void MakeFolder(const std::string& drivePath) const { ASSERT_TRUE(MakeFolders(DriveFolder(drivePath))); }
  std::string Profile() const { return ReadBytes(Root() + "/config/tovalin2.ini"); }
  void Store(const std::string& value) const { WriteBytes(Root() + "/config/tovalin2.ini", "[Options]\ndataDir=" + value + "\n"); }
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
  EXPECT_EQ(Current(), DriveFolder("C/users/ann/Tovalin"));
  EXPECT_EQ(Profile(), "[Options]\ndataDir=C:\\users\\ann\\Tovalin\n");
}

TEST_F(ChooseDataDirectoryTest, ExistingDefaultsAreEnteredSilently) {
  MakeFolder("C/users/ann/Tovalin");
  EXPECT_EQ(ChooseDataDirectory(nullptr, nullptr), 1);
  EXPECT_STREQ(DataDirectory, "C:\\users\\ann\\Tovalin");
  EXPECT_EQ(Current(), DriveFolder("C/users/ann/Tovalin"));

  // Program Files wins over the home default when it exists.
  MakeFolder("C/Program Files/Tovalin");
  WriteBytes(Root() + "/config/tovalin2.ini", "");
  EXPECT_EQ(ChooseDataDirectory(nullptr, nullptr), 1);
  EXPECT_STREQ(DataDirectory, "C:\\Program Files\\Tovalin");
  EXPECT_EQ(Current(), DriveFolder("C/Program Files/Tovalin"));
  EXPECT_EQ(Profile(), "[Options]\ndataDir=C:\\Program Files\\Tovalin\n");
  EXPECT_TRUE(fake::Events().empty());
}

TEST_F(ChooseDataDirectoryTest, StoredDirectoryWinsAndIsNormalised) {
  MakeFolder("C/Program Files/Tovalin");
  MakeFolder("D/data/x");
  Store("D://data\\\\x");
  EXPECT_EQ(ChooseDataDirectory(nullptr, nullptr), 1);
  EXPECT_STREQ(DataDirectory, "D:\\data\\x");
  EXPECT_EQ(Current(), DriveFolder("D/data/x"));
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
  WriteBytes(DriveFolder("C/users/ann/notes.txt"), "x");
  fake::DialogOk("C:\\nowhere\\deeper");
  fake::DialogOk("C:\\users\\ann\\notes.txt");
  fake::DialogOk("C:\\users\\ann\\Chosen");
  EXPECT_EQ(ChooseDataDirectory(nullptr, nullptr), 1);
  EXPECT_EQ(fake::DialogProposals(), std::vector<std::string>{"C:\\users\\ann\\Velbrook"});  // opened once
  EXPECT_EQ(Captions(), (std::vector<std::string>{expected::kCannotCreateDirectoryCaption, expected::kFileNotDirectoryCaption}));
  EXPECT_EQ(fake::Messages()[1].text, expected::FileNotDirectoryText("Velbrook"));
  EXPECT_FALSE(PathExists(DriveFolder("C/nowhere")));
  EXPECT_EQ(Current(), DriveFolder("C/users/ann/Chosen"));
}

TEST_F(ChooseDataDirectoryTest, ExistingDirectoryNeedsAYes) {
  MakeFolder("E/shared");
  fake::DialogOk("E:/shared");
  fake::AnswerNext(kAnswerNo);
  fake::DialogOk();  // the same text again
  fake::AnswerNext(kAnswerYes);
  EXPECT_EQ(ChooseDataDirectory(nullptr, nullptr), 1);
  EXPECT_EQ(Captions(), (std::vector<std::string>{expected::kExistingDirectoryCaption,
                                                  expected::kExistingDirectoryCaption}));
  EXPECT_STREQ(DataDirectory, "E:\\shared");  // normalised after the dialog
  EXPECT_EQ(Current(), DriveFolder("E/shared"));
}

TEST_F(ChooseDataDirectoryTest, ForAllUsersAFolderOpenToOthersIsRefusedAndANewOneIsMadeProtected) {
  fake::RunElevated(true);
  const mode_t umaskBefore = umask(0);
  MakeFolder("E/shared");
  ASSERT_EQ(chmod(DriveFolder("E/shared").c_str(), 0777), 0);
  const std::string openToOthers = "Directory Open to Other Users";

  // Unattended: refused, nothing stored.
  EXPECT_EQ(SettleDataDirectory("E:\\shared"), DirectoryOpenToOthers);
  EXPECT_EQ(Profile(), "");
  // Stored, it is refused before the dialog, and again when chosen in it; a new folder is made
  // so that only its owner may change it, whatever the process's umask.
  Store("E:\\shared");
  fake::DialogOk();                // the refused folder, proposed again
  fake::DialogOk("E:\\Tovalin");  // a new one
  EXPECT_EQ(ChooseDataDirectory(nullptr, nullptr), 1);
  umask(umaskBefore);
  EXPECT_EQ(Captions(), (std::vector<std::string>{openToOthers, openToOthers}));
  EXPECT_NE(fake::Messages()[0].text.find("E:\\shared"), std::string::npos);
  EXPECT_STREQ(DataDirectory, "E:\\Tovalin");
  struct stat made;
  ASSERT_EQ(stat(DriveFolder("E/Tovalin").c_str(), &made), 0);
  EXPECT_EQ(made.st_mode & 0777, 0755u);
  // Unattended with nothing stored, it goes into Program Files, not the home default; for one
  // user into the home default. The same folder open to others is then no one else's business.
  MakeFolder("C/Program Files");
  WriteBytes(Root() + "/config/tovalin2.ini", "");
  EXPECT_EQ(SettleDataDirectory(nullptr), DirectorySettled);
  EXPECT_STREQ(DataDirectory, "C:\\Program Files\\Tovalin");
  fake::Reset();
  WriteBytes(Root() + "/config/tovalin2.ini", "");
  ASSERT_EQ(rmdir(DriveFolder("C/Program Files/Tovalin").c_str()), 0);
  EXPECT_EQ(SettleDataDirectory(nullptr), DirectorySettled);
  EXPECT_STREQ(DataDirectory, "C:\\users\\ann\\Tovalin");
  EXPECT_EQ(SettleDataDirectory("E:\\shared"), DirectorySettled);
}

TEST_F(ChooseDataDirectoryTest, NetworkPathPassesTheDialogButCannotBeEntered) {
  MakeFolder("UNC/server/share");
  fake::DialogOk("\\\\server\\share");
  fake::AnswerNext(kAnswerYes);
  fake::DialogCancel();
  EXPECT_EQ(ChooseDataDirectory(nullptr, nullptr), 0);
  EXPECT_EQ(Captions(), (std::vector<std::string>{expected::kExistingDirectoryCaption, expected::kCouldNotAccessCaption,
                                                  expected::kShuttingDownCaption}));
  EXPECT_EQ(fake::Messages()[1].text, expected::kCouldNotAccessText);
  EXPECT_EQ(fake::Messages()[1].style, kMessageOk | kMessageWarning);
  // The second opening shows the normalised text, which names \server\share on drive C:.
  EXPECT_EQ(fake::DialogProposals(), (std::vector<std::string>{"C:\\users\\ann\\Tovalin", "\\server\\share"}));
  EXPECT_FALSE(PathExists(DriveFolder("C/server")));
  EXPECT_FALSE(PathExists(Root() + "/config/tovalin2.ini"));
}

TEST_F(ChooseDataDirectoryTest, TrailingSeparatorIsKept) {
  fake::DialogOk("C:\\users\\ann\\New\\");
  EXPECT_EQ(ChooseDataDirectory(nullptr, nullptr), 1);
  EXPECT_STREQ(DataDirectory, "C:\\users\\ann\\New\\");
  EXPECT_EQ(Current(), DriveFolder("C/users/ann/New"));
  EXPECT_EQ(Profile(), "[Options]\ndataDir=C:\\users\\ann\\New\\\n");
}

TEST_F(ChooseDataDirectoryTest, CancelAndAnUnshowableDialogBothGiveUp) {
  fake::DialogCancel();
  EXPECT_EQ(ChooseDataDirectory(nullptr, nullptr), 0);
  ASSERT_EQ(Captions(), std::vector<std::string>{expected::kShuttingDownCaption});
  EXPECT_EQ(fake::Messages()[0].text, expected::kShuttingDownText);
  EXPECT_EQ(fake::Messages()[0].style, kMessageOk | kMessageWarning);

  fake::Reset();
  fake::DialogCannotShow();
  EXPECT_EQ(ChooseDataDirectory(nullptr, nullptr), 0);
  EXPECT_EQ(fake::Events(), (std::vector<std::string>{"dialog:cannot-show", std::string("message:") + expected::kShuttingDownCaption}));
  EXPECT_FALSE(PathExists(Root() + "/config/tovalin2.ini"));
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

// ---- long texts ----------------------------------------------------------------------------

TEST_F(ChooseDataDirectoryTest, StoredDirectoryOfMaximumLength) {
  const std::string path = LongWindowsPath(1023);
  ASSERT_TRUE(MakeFolders(NativeFolder(path)));
  Store(path);
  EXPECT_EQ(ChooseDataDirectory(nullptr, nullptr), 1);
  EXPECT_EQ(std::string(DataDirectory), path);
  EXPECT_EQ(Current(), NativeFolder(path));

  // One character more is not cut to the buffer, where it would name the directory above: the
  // stored text is unusable, and the dialog opens empty.
  Store(path + "h");
  fake::DialogCancel();
  EXPECT_EQ(ChooseDataDirectory(nullptr, nullptr), 0);
  EXPECT_EQ(fake::DialogProposals(), std::vector<std::string>{""});
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
