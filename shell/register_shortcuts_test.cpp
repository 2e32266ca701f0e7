// Program group registration: the command texts, their order, one conversation each, and the
// Startup question, alone and inside the whole installation sequence.
#include "shell/register_shortcuts.h"

#include <stdlib.h>
#include <string.h>

#include "datadir/data_directory.h"
#include "driver/installation.h"
#include "platform/message_box.h"
#include "shell/dde_client.h"
#include "tests/fakes/fake_dde.h"
#include "tests/fakes/fake_platform.h"
#include "tests/fakes/temp_folder.h"
#include "tests/fakes/test_tables.h"

namespace {

using Texts = std::vector<std::string>;

class RegisterShortcutsTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    fake::ShellAnswersDde(true);
  }
  void TearDown() override {
    fake::ShellAnswersDde(true);
    TempFolderTest::TearDown();
  }

  // Registers with `directory` as the data directory and the paths formed from it the way the
  // installation sequence forms them.
  static void Register(const std::string& directory) {
    RegisterShortcuts((directory + "\\" + fake::Settings.mainExecutable).c_str(), (directory + "\\uninst.exe").c_str(),
                      directory.c_str());
  }

  static Texts SixCommands(const std::string& directory, const std::string& group, const std::string& title) {
    return {"[CreateGroup(" + group + ")]",
            "[ShowGroup(" + group + ",5)]",
            "[ReplaceItem(" + title + ")]",
            "[AddItem(\"" + directory + "\\tov32.exe\"," + title + ",,,,,\"" + directory + "\")]",
            "[ReplaceItem(Uninstall)]",
            "[AddItem(\"" + directory + "\\uninst.exe\",Uninstall,,,,,\"" + directory + "\")]"};
  }

  static Texts StartupCommands(const std::string& directory, const std::string& group) {
    return {"[CreateGroup(Startup)]", "[ShowGroup(Startup,5)]", "[ReplaceItem(" + group + ")]",
            "[AddItem(\"" + directory + "\\tov32.exe\"," + group + ",,,,,\"" + directory + "\")]"};
  }

  static Texts Join(Texts first, const Texts& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
  }

  static size_t IndexOf(const std::string& event) {
    const Texts& events = fake::Events();
    for (size_t i = 0; i < events.size(); ++i) {
      if (events[i] == event) return i;
    }
    ADD_FAILURE() << "no event " << event;
    return events.size();
  }
};

TEST_F(RegisterShortcutsTest, TovalinSendsSixCommandsEachInItsOwnConversation) {
  Register("C:\\Tovalin");
  const Texts commands = SixCommands("C:\\Tovalin", "Tovalin", "Tovalin");
  EXPECT_EQ(commands[3], "[AddItem(\"C:\\Tovalin\\tov32.exe\",Tovalin,,,,,\"C:\\Tovalin\")]");
  EXPECT_EQ(commands[5], "[AddItem(\"C:\\Tovalin\\uninst.exe\",Uninstall,,,,,\"C:\\Tovalin\")]");

  Texts expected = {"dde:start"};
  for (const std::string& command : commands) {
    expected.insert(expected.end(), {"dde:connect", "dde:execute " + command, "dde:disconnect"});
  }
  expected.push_back("dde:stop");
  EXPECT_EQ(fake::Events(), expected);
  EXPECT_TRUE(fake::Messages().empty());
}

TEST_F(RegisterShortcutsTest, SpacesStayInsideTheQuotesAndTheItemNameStaysBare) {
  Register("D:\\My Programs\\Tovalin 2");
  EXPECT_EQ(fake::ExecutedCommands(), SixCommands("D:\\My Programs\\Tovalin 2", "Tovalin", "Tovalin"));

}

TEST_F(RegisterShortcutsTest, StartupQuestionAnsweredNoAddsNothing) {
  fake::Settings.offerStartupGroup = 1;
  Register("C:\\Tovalin");
  EXPECT_EQ(fake::ExecutedCommands(), SixCommands("C:\\Tovalin", "Tovalin", "Tovalin"));
  ASSERT_EQ(fake::Messages().size(), 1u);
  EXPECT_EQ(fake::Messages()[0].caption, "Add To Startup Group");
  EXPECT_EQ(fake::Messages()[0].text, fake::Settings.startupPrompt);
  EXPECT_EQ(fake::Messages()[0].style, kMessageYesNo);
  // Asked after the product's own group is complete, while the client is still open.
  EXPECT_LT(IndexOf("dde:execute " + SixCommands("C:\\Tovalin", "Tovalin", "Tovalin")[5]),
            IndexOf("message:Add To Startup Group"));
  EXPECT_LT(IndexOf("message:Add To Startup Group"), IndexOf("dde:stop"));
}

TEST_F(RegisterShortcutsTest, StartupItemIsNamedAfterTheGroupAndMainItemAfterTheTitle) {
  fake::Settings.offerStartupGroup = -1;  // any nonzero value offers
  fake::Settings.groupName = "Velbrook Tools";
  fake::Settings.appTitle = "Velbrook";
  fake::AnswerNext(kAnswerYes);
  Register("C:\\Velbrook");
  EXPECT_EQ(fake::ExecutedCommands(), Join(SixCommands("C:\\Velbrook", "Velbrook Tools", "Velbrook"),
                                           StartupCommands("C:\\Velbrook", "Velbrook Tools")));
  EXPECT_EQ(fake::Events().back(), "dde:stop");
}

TEST_F(RegisterShortcutsTest, LongestDataDirectoryAndLongSettingsAreSentWhole) {
  const std::string directory = "C:\\" + std::string(DataDirectorySize - 4, 'd');
  ASSERT_EQ(directory.size(), 1023u);
  const std::string title(6000, 't');  // far beyond any ordinary command buffer
  fake::Settings.appTitle = title.c_str();
  fake::Settings.offerStartupGroup = 1;
  fake::AnswerNext(kAnswerYes);
  Register(directory);
  EXPECT_EQ(fake::ExecutedCommands(),
            Join(SixCommands(directory, "Tovalin", title), StartupCommands(directory, "Tovalin")));
}

TEST_F(RegisterShortcutsTest, TheClientAcceptsConnectionsOnlyForTheGroupNameExactly) {
  Register("C:\\Tovalin");
  const ConnectionRule accepts = fake::DdeConnectionRule();
  ASSERT_NE(accepts, nullptr);
  EXPECT_TRUE(accepts("Tovalin"));
  EXPECT_FALSE(accepts("tovalin"));
  EXPECT_FALSE(accepts("Tovalin2"));
  EXPECT_FALSE(accepts("PROGMAN"));
  EXPECT_FALSE(accepts(""));
}

class RegistrationInInstallationTest : public RegisterShortcutsTest {
 protected:
  void SetUp() override {
    RegisterShortcutsTest::SetUp();
    // An existing default directory is entered without a dialog.
    MakeDrivePath("C/Program Files/Tovalin");
    fake::UseFiles({{"tov32.exe", "program"}, {"uninst.exe", "uninstaller"}});
  }

  void MakeDrivePath(const std::string& path) {
    ASSERT_EQ(system(("mkdir -p '" + Root() + "/drives/" + path + "'").c_str()), 0);
  }
};

TEST_F(RegistrationInInstallationTest, GroupIsRegisteredAfterExtractionAndBeforeTheFinalQuestion) {
  fake::Settings.offerStartupGroup = 1;  // answered No, as every unscripted question is
  RunInstallation(nullptr);
  EXPECT_EQ(fake::ExecutedCommands(), SixCommands("C:\\Program Files\\Tovalin", "Tovalin", "Tovalin"));
  EXPECT_LT(IndexOf("progress:destroy"), IndexOf("dde:start"));
  EXPECT_LT(IndexOf("message:Add To Startup Group"), IndexOf("dde:stop"));
  EXPECT_LT(IndexOf("dde:stop"), IndexOf("message:Installation Successful"));
}

TEST_F(RegistrationInInstallationTest, AStoredDirectoryWithATrailingBackslashKeepsIt) {
  MakeDrivePath("C/Tovalin");
  WriteFile(Root() + "/config/tovalin2.ini", "[Options]\ndataDir=C:\\Tovalin\\\n");
  RunInstallation(nullptr);
  ASSERT_STREQ(DataDirectory, "C:\\Tovalin\\");
  EXPECT_EQ(fake::ExecutedCommands()[3], "[AddItem(\"C:\\Tovalin\\\\tov32.exe\",Tovalin,,,,,\"C:\\Tovalin\\\")]");
  EXPECT_EQ(fake::ExecutedCommands()[5], "[AddItem(\"C:\\Tovalin\\\\uninst.exe\",Uninstall,,,,,\"C:\\Tovalin\\\")]");
}

TEST_F(RegistrationInInstallationTest, WithNoShellAnsweringNothingIsShownAndTheInstallationGoesOn) {
  fake::ShellAnswersDde(false);
  RunInstallation(nullptr);
  EXPECT_TRUE(fake::ExecutedCommands().empty());
  size_t refused = 0;
  for (const std::string& event : fake::Events()) refused += event == "dde:connect(refused)";
  EXPECT_EQ(refused, 6u);
  // No message between opening and closing the client, and the sequence reaches its end.
  for (size_t i = IndexOf("dde:start"); i < IndexOf("dde:stop"); ++i) {
    EXPECT_NE(fake::Events()[i].rfind("message:", 0), 0u) << fake::Events()[i];
  }
  EXPECT_EQ(fake::Messages().back().caption, "Installation Successful");
  EXPECT_NE(ReadFile(Root() + "/config/tovalin2.ini").find("dataDir="), std::string::npos);
}

TEST_F(RegistrationInInstallationTest, AFailedExtractionRegistersNothing) {
  fake::FailNextAllocation();
  RunInstallation(nullptr);
  for (const std::string& event : fake::Events()) EXPECT_NE(event.rfind("dde:", 0), 0u) << event;
}

}  // namespace
