// The installation sequence under a scripted user, against the real file services.
#include "driver/installation.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "datadir/data_directory.h"
#include "payload/extract.h"
#include "platform/message_box.h"
#include "tests/fakes/fake_dde.h"
#include "tests/fakes/fake_directory_dialog.h"
#include "tests/fakes/fake_platform.h"
#include "tests/fakes/temp_folder.h"
#include "tests/fakes/test_tables.h"

namespace {

const char kCannotCreateText[] =
    "The application was not able to create one of its component files. The disk is full, or a "
    "copy of the application is already running, or you do not have write access to the "
    "directory in which you are attempting to install the application. Check your available disk "
    "space and run the setup program again.";
const char kNoMemoryText[] =
    "Insufficient memory was available for the setup procedure. Close other applications and run "
    "the setup program again.";

class InstallationTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    // An existing default directory is entered without a dialog; it becomes the current one.
    ASSERT_EQ(system(("mkdir -p '" + Root() + "/drives/C/Program Files/Tovalin'").c_str()), 0);
    fake::UseFiles({{"tov32.exe", std::string(70000, 'p')}, {"help.htm", "<html>help</html>"},
                    {"tovalin.jpg", std::string(100, 'j')}, {"uninst.exe", "uninstaller"}});
  }

  // The message with `caption`, or null.
  static const fake::ShownMessage* Find(const std::string& caption) {
    for (const auto& message : fake::Messages()) {
      if (message.caption == caption) return &message;
    }
    return nullptr;
  }

  static bool HasEvent(const std::string& event) {
    for (const auto& e : fake::Events()) {
      if (e == event) return true;
    }
    return false;
  }

  std::string ProfileText() { return ReadFile(Root() + "/config/tovalin2.ini"); }
};

TEST_F(InstallationTest, SuccessAsksToStartAndNoStartsNothing) {
  EXPECT_EQ(RunInstallation(nullptr), 0);
  EXPECT_EQ(List("."), (std::vector<std::string>{"help.htm", "tov32.exe", "tovalin.jpg", "uninst.exe"}));
  const fake::ShownMessage* question = Find("Installation Successful");
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(question->text,
            "Tovalin has been successfully installed on your system.Would you like to start Tovalin now?");
  EXPECT_EQ(question->style, kMessageYesNo);
  EXPECT_EQ(fake::Messages().back().caption, "Installation Successful");
  EXPECT_TRUE(HasEvent("progress:destroy"));
  for (const auto& event : fake::Events()) EXPECT_NE(event.rfind("start:", 0), 0u) << event;
  EXPECT_EQ(ProfileText(), std::string("[Options]\ndataDir=") + DataDirectory + "\n");
}

TEST_F(InstallationTest, YesStartsTheInstalledProgram) {
  // Every earlier message is an OK box or a question that only the last answer reaches.
  fake::Settings.appTitle = "Tovalin Deluxe";
  for (int i = 0; i < 8; ++i) fake::AnswerNext(kAnswerYes);
  EXPECT_EQ(RunInstallation(nullptr), 0);
  EXPECT_TRUE(HasEvent(std::string("start:") + DataDirectory + "\\tov32.exe"));
  ASSERT_NE(Find("Installation Successful"), nullptr);
  EXPECT_EQ(Find("Installation Successful")->text,
            "Tovalin Deluxe has been successfully installed on your system.Would you like to start "
            "Tovalin Deluxe now?");
}

TEST_F(InstallationTest, RelativeEntryIsUsedAsTheFullPathItNames) {
  // Started from a downloads folder with no directory settled yet; the user types a bare name.
  ASSERT_EQ(system(("rmdir '" + Root() + "/drives/C/Program Files/Tovalin' && mkdir -p '" + Root() +
                    "/drives/C/downloads'").c_str()), 0);
  ASSERT_EQ(chdir((Root() + "/drives/C/downloads").c_str()), 0);
  fake::DialogOk("Tovalin");
  for (int i = 0; i < 8; ++i) fake::AnswerNext(kAnswerYes);
  RunInstallation(nullptr);
  const std::string full = "C:\\downloads\\Tovalin";
  EXPECT_STREQ(DataDirectory, full.c_str());
  EXPECT_EQ(List(Root() + "/drives/C/downloads/Tovalin"),
            (std::vector<std::string>{"help.htm", "tov32.exe", "tovalin.jpg", "uninst.exe"}));
  EXPECT_EQ(ProfileText(), "[Options]\ndataDir=" + full + "\n");
  const std::vector<std::string> commands = fake::ExecutedCommands();
  ASSERT_EQ(commands.size(), 6u);
  EXPECT_EQ(commands[3], "[AddItem(\"" + full + "\\tov32.exe\",Tovalin,,,,,\"" + full + "\")]");
  EXPECT_TRUE(HasEvent("start:" + full + "\\tov32.exe"));
}

TEST_F(InstallationTest, FailureShowsItsMessageUnderTheAppTitleAndRollsBack) {
  fake::Settings.appTitle = "Velbrook";
  mkdir((Root() + "/drives/C/Program Files/Tovalin/tovalin.jpg").c_str(), 0777);  // the third file cannot be created
  EXPECT_EQ(RunInstallation(nullptr), 0);
  const fake::ShownMessage* failure = Find("Velbrook Installation Failed");
  ASSERT_NE(failure, nullptr);
  EXPECT_EQ(failure->text, kCannotCreateText);
  EXPECT_EQ(failure->style, kMessageOk | kMessageWarning);
  EXPECT_EQ(fake::Messages().back().caption, "Velbrook Installation Failed");
  // The rollback removed what was written; the directory in the way stays (it is not a file
  // that can be deleted, so the rollback stops there).
  EXPECT_EQ(List("."), (std::vector<std::string>{"tovalin.jpg"}));
  EXPECT_FALSE(HasEvent("progress:destroy"));
  EXPECT_EQ(Find("Installation Successful"), nullptr);
  EXPECT_FALSE(Exists(Root() + "/config/tovalin2.ini") && ProfileText().find("dataDir") == std::string::npos);
}

TEST_F(InstallationTest, NoMemoryMessage) {
  fake::FailNextAllocation();
  RunInstallation(nullptr);
  ASSERT_NE(Find("Tovalin Installation Failed"), nullptr);
  EXPECT_EQ(Find("Tovalin Installation Failed")->text, kNoMemoryText);
  EXPECT_TRUE(List(".").empty());
}

TEST_F(InstallationTest, DamagedInstallerWritesNothingAtAll) {
  fake::Piece(0, 1)[20] ^= 0x10;
  EXPECT_EQ(RunInstallation(nullptr), 0);
  ASSERT_EQ(fake::Messages().size(), 1u);
  EXPECT_EQ(fake::Messages()[0].caption, "Tovalin Installation Failed");
  EXPECT_NE(fake::Messages()[0].text.find("damaged"), std::string::npos);
  EXPECT_TRUE(List(".").empty());
  EXPECT_FALSE(Exists(Root() + "/config/tovalin2.ini"));
}

TEST_F(InstallationTest, DamageFoundDuringExtractionIsReportedAndRolledBack) {
  fake::Piece(3, 0)[8] ^= 0x10;
  fake::RecheckPiece(3, 0);
  EXPECT_EQ(RunInstallation(nullptr), 0);
  ASSERT_NE(Find("Tovalin Installation Failed"), nullptr);
  EXPECT_NE(Find("Tovalin Installation Failed")->text.find("damaged"), std::string::npos);
  EXPECT_TRUE(List(".").empty());
}

}  // namespace
