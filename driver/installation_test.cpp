// The whole installation sequence under a scripted user, against the real file services: its
// outcome messages, and what the parts it calls do at their fixed points in it (the dialog, the
// progress window, the running copies, the group registration, the final start).
#include "driver/installation.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "datadir/data_directory.h"
#include "platform/message_box.h"
#include "product/exit_status.h"
#include "tests/support/expected_texts.h"
#include "tests/support/fakes.h"
#include "tests/support/temp_folder.h"

namespace {

using Texts = std::vector<std::string>;

class InstallationTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    // An existing default directory is entered without a dialog; it becomes the current one.
    ASSERT_TRUE(MakeFolders(Data()));
    fake::UseFiles({{"tov32.exe", std::string(70000, 'p')}, {"help.htm", "<html>help</html>"},
                    {"tovalin.jpg", std::string(100, 'j')}, {"uninst.exe", "uninstaller"}});
  }

  // The default directory, C:\Program Files\Tovalin, as a native folder.
  std::string Data() const { return DriveFolder("C/Program Files/Tovalin"); }
  std::string ProfileText() const { return ReadBytes(Root() + "/config/tovalin2.ini"); }

  // The message with `caption`, or null.
  static const fake::ShownMessage* Find(const std::string& caption) {
    for (const auto& message : fake::Messages()) {
      if (message.caption == caption) return &message;
    }
    return nullptr;
  }

  static bool HasEvent(const std::string& event) {
    const Texts& events = fake::Events();
    return std::find(events.begin(), events.end(), event) != events.end();
  }

  static size_t IndexOf(const std::string& event) {
    const Texts& events = fake::Events();
    const size_t index = std::find(events.begin(), events.end(), event) - events.begin();
    if (index == events.size()) ADD_FAILURE() << "no event " << event;
    return index;
  }

  // The progress window's events only: creation, each text shown and destruction, in order.
  static Texts WindowEvents() {
    Texts seen;
    for (const auto& event : fake::Events()) {
      if (event.rfind("progress", 0) == 0) seen.push_back(event);
    }
    return seen;
  }
};

// ---- the outcomes -------------------------------------------------------------------------

TEST_F(InstallationTest, SuccessAsksToStartAndNoStartsNothing) {
  RunInstallation(nullptr);
  EXPECT_EQ(FolderEntries("."), (Texts{"help.htm", "tov32.exe", "tovalin.jpg", "uninst.dat", "uninst.exe"}));
  const fake::ShownMessage* question = Find(expected::kSuccessCaption);
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(question->text, expected::SuccessQuestion("Tovalin"));
  EXPECT_EQ(question->style, kMessageYesNo);
  EXPECT_EQ(fake::Messages().back().caption, expected::kSuccessCaption);
  EXPECT_TRUE(HasEvent("progress:destroy"));
  for (const auto& event : fake::Events()) EXPECT_NE(event.rfind("start:", 0), 0u) << event;
  EXPECT_EQ(ProfileText(), "[Options]\ndataDir=C:\\Program Files\\Tovalin\n");
}

TEST_F(InstallationTest, YesStartsTheInstalledProgram) {
  // Every earlier message is an OK box or a question that only the last answer reaches.
  fake::Settings.appTitle = "Tovalin Deluxe";
  for (int i = 0; i < 8; ++i) fake::AnswerNext(kAnswerYes);
  RunInstallation(nullptr);
  EXPECT_TRUE(HasEvent("start:C:\\Program Files\\Tovalin\\tov32.exe"));
  ASSERT_NE(Find(expected::kSuccessCaption), nullptr);
  EXPECT_EQ(Find(expected::kSuccessCaption)->text, expected::SuccessQuestion("Tovalin Deluxe"));
}

TEST_F(InstallationTest, FailureShowsItsMessageUnderTheAppTitleAndRollsBack) {
  fake::Settings.appTitle = "Velbrook";
  mkdir((Data() + "/tovalin.jpg").c_str(), 0777);  // the third file cannot be created
  RunInstallation(nullptr);
  const fake::ShownMessage* failure = Find(expected::FailedCaption("Velbrook"));
  ASSERT_NE(failure, nullptr);
  EXPECT_EQ(failure->text, expected::kCannotCreateFileText);
  EXPECT_EQ(failure->style, kMessageOk | kMessageWarning);
  EXPECT_EQ(fake::Messages().back().caption, expected::FailedCaption("Velbrook"));
  // The rollback removed what was written; the directory in the way stays (it is not a file
  // that can be deleted, so the rollback stops there).
  EXPECT_EQ(FolderEntries("."), (Texts{"tovalin.jpg"}));
  EXPECT_FALSE(HasEvent("progress:destroy"));
  EXPECT_EQ(Find(expected::kSuccessCaption), nullptr);
  EXPECT_FALSE(PathExists(Root() + "/config/tovalin2.ini") && ProfileText().find("dataDir") == std::string::npos);
}

TEST_F(InstallationTest, NoMemoryMessage) {
  fake::FailNextAllocation();
  RunInstallation(nullptr);
  ASSERT_NE(Find(expected::FailedCaption("Tovalin")), nullptr);
  EXPECT_EQ(Find(expected::FailedCaption("Tovalin"))->text, expected::kNoMemoryText);
  EXPECT_TRUE(FolderEntries(".").empty());
}

TEST_F(InstallationTest, DamagedInstallerWritesNothingAtAll) {
  fake::Piece(0, 1)[20] ^= 0x10;
  RunInstallation(nullptr);
  ASSERT_EQ(fake::Messages().size(), 1u);
  EXPECT_EQ(fake::Messages()[0].caption, expected::FailedCaption("Tovalin"));
  EXPECT_EQ(fake::Messages()[0].text, expected::kDamagedText);
  EXPECT_TRUE(FolderEntries(".").empty());
  EXPECT_FALSE(PathExists(Root() + "/config/tovalin2.ini"));
}

TEST_F(InstallationTest, DamageFoundDuringExtractionIsReportedAndRolledBack) {
  fake::Piece(3, 0)[8] ^= 0x10;
  fake::RecheckPiece(3, 0);
  RunInstallation(nullptr);
  ASSERT_NE(Find(expected::FailedCaption("Tovalin")), nullptr);
  EXPECT_EQ(Find(expected::FailedCaption("Tovalin"))->text, expected::kDamagedText);
  EXPECT_TRUE(FolderEntries(".").empty());
}

// ---- the data directory -------------------------------------------------------------------

TEST_F(InstallationTest, CancelInTheDialogWritesNothing) {
  ASSERT_TRUE(RemoveTree(Data()));  // nothing to enter silently: the dialog opens
  fake::DialogCancel();
  RunInstallation(nullptr);
  ASSERT_EQ(fake::Messages().size(), 2u);
  EXPECT_EQ(fake::Messages()[0].caption, expected::kShuttingDownCaption);
  EXPECT_EQ(fake::Messages()[1].caption, expected::kNotInstalledCaption);
  EXPECT_EQ(fake::Messages()[1].text, expected::kNotInstalledText);
  EXPECT_EQ(fake::Messages()[1].style, kMessageOk | kMessageWarning);
  EXPECT_TRUE(FolderEntries(".").empty());
  EXPECT_EQ(FolderEntries(DriveFolder("C")), (Texts{"Program Files"}));
  EXPECT_TRUE(FolderEntries(DriveFolder("C/Program Files")).empty());
  EXPECT_FALSE(PathExists(Root() + "/config/tovalin2.ini"));
}

TEST_F(InstallationTest, RelativeEntryIsUsedAsTheFullPathItNames) {
  // Started from a downloads folder with no directory settled yet; the user types a bare name.
  ASSERT_TRUE(RemoveTree(Data()));
  ASSERT_TRUE(MakeFolders(DriveFolder("C/downloads")));
  ASSERT_EQ(chdir(DriveFolder("C/downloads").c_str()), 0);
  fake::DialogOk("Tovalin");
  for (int i = 0; i < 8; ++i) fake::AnswerNext(kAnswerYes);
  RunInstallation(nullptr);
  const std::string full = "C:\\downloads\\Tovalin";
  EXPECT_STREQ(DataDirectory, full.c_str());
  EXPECT_EQ(FolderEntries(DriveFolder("C/downloads/Tovalin")),
            (Texts{"help.htm", "tov32.exe", "tovalin.jpg", "uninst.dat", "uninst.exe"}));
  EXPECT_EQ(ProfileText(), "[Options]\ndataDir=" + full + "\n");
  const Texts commands = fake::ExecutedCommands();
  ASSERT_EQ(commands.size(), 6u);
  EXPECT_EQ(commands[3], "[AddItem(\"" + full + "\\tov32.exe\",Tovalin,,,,,\"" + full + "\")]");
  EXPECT_TRUE(HasEvent("start:" + full + "\\tov32.exe"));
}

// ---- the progress window ------------------------------------------------------------------

TEST_F(InstallationTest, ProgressCountsUpByQuartersOneUpdatePerFileAndTheEnd) {
  RunInstallation(nullptr);
  EXPECT_EQ(WindowEvents(),
            (Texts{"progress:create", "progress:" + expected::PercentText(0), "progress:" + expected::PercentText(25),
                   "progress:" + expected::PercentText(50), "progress:" + expected::PercentText(75),
                   "progress:" + expected::PercentText(100), "progress:destroy"}));
}

TEST_F(InstallationTest, ProgressRoundsAnUnevenShareDown) {
  fake::UseFiles({{"a", "1"}, {"b", "2"}, {"c", "3"}});
  RunInstallation(nullptr);
  EXPECT_EQ(WindowEvents(),
            (Texts{"progress:create", "progress:" + expected::PercentText(0), "progress:" + expected::PercentText(33),
                   "progress:" + expected::PercentText(66), "progress:" + expected::PercentText(100),
                   "progress:destroy"}));
}

TEST_F(InstallationTest, ProgressWindowStaysUpAtTheFailingFile) {
  mkdir((Data() + "/tovalin.jpg").c_str(), 0777);  // the third file cannot be created
  RunInstallation(nullptr);
  EXPECT_EQ(WindowEvents(), (Texts{"progress:create", "progress:" + expected::PercentText(0),
                                   "progress:" + expected::PercentText(25), "progress:" + expected::PercentText(50)}));
}

// ---- the damage check's window ------------------------------------------------------------

// The product's six pieces checked with the clock moving `step` ms at each reading (one as the
// check starts, one before each piece, one at the end): the window comes up once a quarter of a
// second has gone by and at least as long again seems to be left, shows the share checked, and is
// gone before anything else happens, a damaged installer's message included.
TEST_F(InstallationTest, VerificationWindowComesUpOnlyWhenTheCheckTakesLongerThanAMoment) {
  auto shown = [](int percent) { return "verification:" + expected::PercentText(percent); };
  struct Case {
    const char* what;
    unsigned step;
    bool damaged;  // the last piece
    Texts window;  // the first events of the run
  };
  // Six pieces of one length, each read on its own (the fake table's pieces never follow each
  // other), the share checked reported after each.
  const Case cases[] = {
      {"600 ms, damaged", 100, true,
       {"verification:create", shown(50), shown(66), shown(83), "verification:destroy",
        "message:" + expected::FailedCaption("Tovalin")}},
      {"instant", 0, false, {}},
      {"360 ms, past half way after 250 ms", 60, false, {}},
      {"600 ms", 100, false,
       {"verification:create", shown(50), shown(66), shown(83), shown(100), "verification:destroy"}},
  };
  const std::string piece = fake::PartlyCompressibleBytes(20000, 1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fake::Reset();
    fake::UseFiles({{"tov32.exe", piece}, {"help.htm", piece}, {"a.dat", piece}, {"b.dat", piece},
                    {"tovalin.jpg", piece}, {"uninst.exe", piece}});
    if (c.damaged) fake::Piece(5, 0)[8] ^= 0x10;
    fake::AdvanceClockOnEachReading(c.step);
    RunInstallation(nullptr);
    const Texts& events = fake::Events();
    if (c.window.empty()) {
      for (const std::string& event : events) EXPECT_NE(event.rfind("verification", 0), 0u) << event;
    } else {
      ASSERT_GE(events.size(), c.window.size());
      EXPECT_EQ(Texts(events.begin(), events.begin() + c.window.size()), c.window);
    }
    if (c.damaged) {
      EXPECT_EQ(events.size(), c.window.size());
      EXPECT_TRUE(FolderEntries(".").empty());
      EXPECT_FALSE(PathExists(Root() + "/config/tovalin2.ini"));
    }
  }
}

// ---- closing running copies -----------------------------------------------------------------

TEST_F(InstallationTest, RunningCopiesAreClosedBetweenProgressWindowAndFirstFile) {
  fake::UseFiles({{"tov32.exe", "program"}, {"help.htm", "help"}});
  fake::UseWindows({"Tovalin"});
  RunInstallation(nullptr);
  const Texts& events = fake::Events();
  auto created = std::find(events.begin(), events.end(), "progress:create");
  ASSERT_NE(created, events.end());
  Texts following(created + 1, events.end());
  following.resize(6);
  EXPECT_EQ(following, (Texts{std::string("message:") + expected::kClosingCopiesCaption, "sleep:4000", "enumerate",
                              "quit:Tovalin", "sleep:4000", "progress:" + expected::PercentText(0)}));
  EXPECT_EQ(std::count(events.begin(), events.end(), std::string("message:") + expected::kClosingCopiesCaption), 1);
}

// ---- the program group ----------------------------------------------------------------------

TEST_F(InstallationTest, GroupIsRegisteredAfterExtractionAndBeforeTheFinalQuestion) {
  fake::Settings.offerStartupGroup = 1;  // answered No, as every unscripted question is
  RunInstallation(nullptr);
  const std::string data = "C:\\Program Files\\Tovalin";
  EXPECT_EQ(fake::ExecutedCommands(),
            (Texts{"[CreateGroup(Tovalin)]", "[ShowGroup(Tovalin,5)]", "[ReplaceItem(Tovalin)]",
                   "[AddItem(\"" + data + "\\tov32.exe\",Tovalin,,,,,\"" + data + "\")]", "[ReplaceItem(Uninstall)]",
                   "[AddItem(\"" + data + "\\uninst.exe\",Uninstall,,,,,\"" + data + "\")]"}));
  EXPECT_LT(IndexOf("progress:destroy"), IndexOf("dde:start"));
  EXPECT_LT(IndexOf(std::string("message:") + expected::kStartupCaption), IndexOf("dde:stop"));
  EXPECT_LT(IndexOf("dde:stop"), IndexOf(std::string("message:") + expected::kSuccessCaption));
}

TEST_F(InstallationTest, AStoredDirectoryWithATrailingBackslashKeepsIt) {
  ASSERT_TRUE(MakeFolders(DriveFolder("C/Tovalin")));
  WriteBytes(Root() + "/config/tovalin2.ini", "[Options]\ndataDir=C:\\Tovalin\\\n");
  RunInstallation(nullptr);
  ASSERT_STREQ(DataDirectory, "C:\\Tovalin\\");
  EXPECT_EQ(fake::ExecutedCommands()[3], "[AddItem(\"C:\\Tovalin\\\\tov32.exe\",Tovalin,,,,,\"C:\\Tovalin\\\")]");
  EXPECT_EQ(fake::ExecutedCommands()[5], "[AddItem(\"C:\\Tovalin\\\\uninst.exe\",Uninstall,,,,,\"C:\\Tovalin\\\")]");
}

TEST_F(InstallationTest, WithNoShellAnsweringNothingIsShownAndTheInstallationGoesOn) {
  fake::ShellAnswersDde(false);
  RunInstallation(nullptr);
  EXPECT_TRUE(fake::ExecutedCommands().empty());
  EXPECT_EQ(std::count(fake::Events().begin(), fake::Events().end(), "dde:connect(refused)"), 6);
  // No message between opening and closing the client, and the sequence reaches its end.
  for (size_t i = IndexOf("dde:start"); i < IndexOf("dde:stop"); ++i) {
    EXPECT_NE(fake::Events()[i].rfind("message:", 0), 0u) << fake::Events()[i];
  }
  EXPECT_EQ(fake::Messages().back().caption, expected::kSuccessCaption);
  EXPECT_NE(ProfileText().find("dataDir="), std::string::npos);
  // The installer makes the group's two items itself, as the shell would have made them.
  const std::string directory = DataDirectory;
  Texts links;
  for (const std::string& event : fake::Events()) {
    if (event.rfind("link:", 0) == 0) links.push_back(event);
  }
  EXPECT_EQ(links, (Texts{"link:Programs\\Tovalin\\Tovalin -> " + directory + "\\tov32.exe in " + directory,
                          "link:Programs\\Tovalin\\Uninstall -> " + directory + "\\uninst.exe in " + directory}));
}

// Another program's entry of the product's key name stays; the interactive installation says so,
// and where the product is removed instead, before its last question; /S shows nothing and
// succeeds.
TEST_F(InstallationTest, AnotherProgramsEntryOfTheKeyNameIsLeftAndTheUserToldWhereToRemove) {
  fake::Settings.productId = "Notes";
  fake::EntryKeyOfAnotherProgram(true);
  RunInstallation(nullptr);
  EXPECT_TRUE(HasEvent("entry:another program's HKCU\\Notes"));
  const fake::ShownMessage* notice = Find("Not Listed in Installed Apps");
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(notice->text,
            "Tovalin has been installed, but it is not listed in Installed apps: the entry \"Notes\" there belongs "
            "to another program, which Setup has left as it is.\n\nTo remove Tovalin, use the Uninstall item in the "
            "Tovalin group.");
  EXPECT_EQ(notice->style, kMessageOk | kMessageWarning);
  EXPECT_LT(IndexOf("message:Not Listed in Installed Apps"), IndexOf(std::string("message:") + expected::kSuccessCaption));

  fake::Reset();
  fake::EntryKeyOfAnotherProgram(true);
  EXPECT_EQ(RunUnattendedInstallation(InstallerDataRead, nullptr, false), ExitSuccess);
  EXPECT_TRUE(fake::Messages().empty());
}

TEST_F(InstallationTest, AFailedExtractionRegistersNothing) {
  fake::FailNextAllocation();
  RunInstallation(nullptr);
  for (const std::string& event : fake::Events()) EXPECT_NE(event.rfind("dde:", 0), 0u) << event;
}

}  // namespace
