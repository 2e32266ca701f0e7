// Program group registration: the command texts, their order, one conversation each, and the
// Startup question, alone and inside the whole installation sequence.
#include "shell/register_shortcuts.h"

#include <gtest/gtest.h>

#include "platform/message_box.h"
#include "shell/dde_client.h"
#include "tests/support/expected_texts.h"
#include "tests/support/fakes.h"

namespace {

using Texts = std::vector<std::string>;

class RegisterShortcutsTest : public ::testing::Test {
 protected:
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
  EXPECT_EQ(fake::Messages()[0].caption, expected::kStartupCaption);
  EXPECT_EQ(fake::Messages()[0].text, fake::Settings.startupPrompt);
  EXPECT_EQ(fake::Messages()[0].style, kMessageYesNo);
  // Asked after the product's own group is complete, while the client is still open.
  EXPECT_LT(IndexOf("dde:execute " + SixCommands("C:\\Tovalin", "Tovalin", "Tovalin")[5]),
            IndexOf(std::string("message:") + expected::kStartupCaption));
  EXPECT_LT(IndexOf(std::string("message:") + expected::kStartupCaption), IndexOf("dde:stop"));
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
  const std::string directory = "C:\\" + std::string(1020, 'd');  // the longest a data directory can be
  const std::string title(6000, 't');  // far beyond any ordinary command buffer
  fake::Settings.appTitle = title.c_str();
  fake::Settings.offerStartupGroup = 1;
  fake::AnswerNext(kAnswerYes);
  Register(directory);
  EXPECT_EQ(fake::ExecutedCommands(),
            Join(SixCommands(directory, "Tovalin", title), StartupCommands(directory, "Tovalin")));
}

TEST_F(RegisterShortcutsTest, AProgramInAFolderWorksInItsFolderAndTheUninstallerInTheDataDirectory) {
  fake::Settings.mainExecutable = "bin\\x64\\tov32.exe";
  fake::Settings.offerStartupGroup = 1;
  fake::AnswerNext(kAnswerYes);
  Register("C:\\Tovalin");
  const Texts commands = fake::ExecutedCommands();
  ASSERT_EQ(commands.size(), 10u);
  EXPECT_EQ(commands[3], "[AddItem(\"C:\\Tovalin\\bin\\x64\\tov32.exe\",Tovalin,,,,,\"C:\\Tovalin\\bin\\x64\")]");
  EXPECT_EQ(commands[5], "[AddItem(\"C:\\Tovalin\\uninst.exe\",Uninstall,,,,,\"C:\\Tovalin\")]");
  EXPECT_EQ(commands[9], "[AddItem(\"C:\\Tovalin\\bin\\x64\\tov32.exe\",Tovalin,,,,,\"C:\\Tovalin\\bin\\x64\")]");
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

}  // namespace
