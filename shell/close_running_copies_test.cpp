// Closing running copies: the notice, the waits and which windows are asked to quit.
#include "shell/close_running_copies.h"

#include <stdlib.h>

#include <algorithm>

#include "driver/installation.h"
#include "platform/platform_types.h"
#include "tests/fakes/fake_desktop_windows.h"
#include "tests/fakes/fake_platform.h"
#include "tests/fakes/temp_folder.h"
#include "tests/fakes/test_tables.h"

namespace {

class CloseRunningCopiesTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    fake::UseWindows({});
  }
  void TearDown() override {
    fake::UseWindows({});
    TempFolderTest::TearDown();
  }

  // The quit requests posted, as "quit:<title>", in order.
  static std::vector<std::string> Quits() {
    std::vector<std::string> quits;
    for (const auto& event : fake::Events()) {
      if (event.rfind("quit:", 0) == 0) quits.push_back(event);
    }
    return quits;
  }
};

TEST_F(CloseRunningCopiesTest, NoticeComesFirstEvenWithNothingRunningThenTwoWaitsAroundTheSearch) {
  CloseRunningCopies();
  EXPECT_EQ(fake::Events(), (std::vector<std::string>{"message:Closing Running Copies", "sleep:4000",
                                                      "enumerate", "sleep:4000"}));
  ASSERT_EQ(fake::Messages().size(), 1u);
  EXPECT_EQ(fake::Messages()[0].text,
            "Any copies of Tovalin currently running must now be shut down. This may take a few seconds.");
  EXPECT_EQ(fake::Messages()[0].style, kMessageOk | kMessageWarning);
}

TEST_F(CloseRunningCopiesTest, OnlyTitlesBeginningWithTheAppTitleAreAskedToQuit) {
  const std::string longTitle = "Tovalin - " + std::string(400, 'x');
  fake::UseWindows({"Tovalin", "My Tovalin", "Tovalin - notes", "tovalin", "TOVALIN", "Tovali", "",
                    "Setup Progress", "Tovalin2", longTitle});
  CloseRunningCopies();
  // Every match is followed by further windows, so the search also never stops early.
  EXPECT_EQ(Quits(), (std::vector<std::string>{"quit:Tovalin", "quit:Tovalin - notes", "quit:Tovalin2",
                                               "quit:" + longTitle}));
}

TEST_F(CloseRunningCopiesTest, WindowsAreFoundByAppTitleNotGroupName) {
  fake::Settings.groupName = "Velbrook";
  fake::Settings.appTitle = "Tovalin Deluxe";
  fake::UseWindows({"Velbrook", "Tovalin", "Tovalin Deluxe - report.tov"});
  CloseRunningCopies();
  EXPECT_EQ(Quits(), (std::vector<std::string>{"quit:Tovalin Deluxe - report.tov"}));
  EXPECT_EQ(fake::Messages()[0].text,
            "Any copies of Tovalin Deluxe currently running must now be shut down. This may take a "
            "few seconds.");
}

TEST_F(CloseRunningCopiesTest, ProgressCaptionMatchesOnlyWhenTheAppTitleIsItsPrefix) {
  fake::UseWindows({"Setup Progress"});
  fake::Settings.appTitle = "Setup";
  CloseRunningCopies();
  EXPECT_EQ(Quits(), (std::vector<std::string>{"quit:Setup Progress"}));
}

TEST_F(CloseRunningCopiesTest, EmptyAppTitleAsksNoWindowToQuit) {
  fake::Settings.appTitle = "";
  fake::UseWindows({"Tovalin", "Setup Progress"});
  CloseRunningCopies();
  EXPECT_TRUE(Quits().empty());
}

TEST_F(CloseRunningCopiesTest, InTheSequenceItRunsBetweenProgressWindowAndFirstFile) {
  // An existing default directory is entered without a dialog.
  ASSERT_EQ(system(("mkdir -p '" + Root() + "/drives/C/Program Files/Tovalin'").c_str()), 0);
  fake::UseFiles({{"tov32.exe", "program"}, {"help.htm", "help"}});
  fake::UseWindows({"Tovalin"});
  RunInstallation(nullptr);
  const std::vector<std::string>& events = fake::Events();
  auto created = std::find(events.begin(), events.end(), "progress:create");
  ASSERT_NE(created, events.end());
  std::vector<std::string> following(created + 1, events.end());
  following.resize(6);
  EXPECT_EQ(following, (std::vector<std::string>{"message:Closing Running Copies", "sleep:4000", "enumerate",
                                                 "quit:Tovalin", "sleep:4000", "progress:Percent Complete: 0%"}));
  EXPECT_EQ(std::count(events.begin(), events.end(), "message:Closing Running Copies"), 1);
}

}  // namespace
