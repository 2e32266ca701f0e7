// Closing running copies: the notice, the waits and which windows are asked to quit.
#include "shell/close_running_copies.h"

#include <gtest/gtest.h>

#include "platform/message_box.h"
#include "tests/support/expected_texts.h"
#include "tests/support/fakes.h"

namespace {

class CloseRunningCopiesTest : public ::testing::Test {
 protected:
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
  EXPECT_EQ(fake::Events(), (std::vector<std::string>{std::string("message:") + expected::kClosingCopiesCaption,
                                                      "sleep:4000", "enumerate", "sleep:4000"}));
  ASSERT_EQ(fake::Messages().size(), 1u);
  EXPECT_EQ(fake::Messages()[0].text, expected::ClosingCopiesText("Tovalin"));
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
  EXPECT_EQ(fake::Messages()[0].text, expected::ClosingCopiesText("Tovalin Deluxe"));
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

}  // namespace
