// What the progress window shows as the installation sequence writes the payload.
#include "payload/progress_window.h"

#include <stdlib.h>
#include <sys/stat.h>

#include "driver/installation.h"
#include "tests/fakes/fake_platform.h"
#include "tests/fakes/fake_progress_window.h"
#include "tests/fakes/temp_folder.h"
#include "tests/fakes/test_tables.h"

namespace {

class ProgressWindowTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    // An existing default directory is entered without a dialog.
    ASSERT_EQ(system(("mkdir -p '" + DataFolder() + "'").c_str()), 0);
    fake::UseFiles({{"tov32.exe", std::string(70000, 'p')}, {"help.htm", "<html>help</html>"},
                    {"tovalin.jpg", std::string(100, 'j')}, {"uninst.exe", "uninstaller"}});
  }

  std::string DataFolder() const { return Root() + "/drives/C/Program Files/Tovalin"; }

  // The window's events only: creation, each update and destruction, in order.
  static std::vector<std::string> WindowEvents() {
    std::vector<std::string> seen;
    for (const auto& event : fake::Events()) {
      if (event.rfind("progress", 0) == 0) seen.push_back(event);
    }
    return seen;
  }
};

TEST_F(ProgressWindowTest, FourFilesCountUpByQuartersOneUpdatePerFileAndTheEnd) {
  RunInstallation(nullptr);
  EXPECT_EQ(WindowEvents(), (std::vector<std::string>{"progress:create", "progress:Percent Complete: 0%",
                                                      "progress:Percent Complete: 25%",
                                                      "progress:Percent Complete: 50%",
                                                      "progress:Percent Complete: 75%",
                                                      "progress:Percent Complete: 100%", "progress:destroy"}));
  EXPECT_EQ(fake::ProgressTexts().front(), "Percent Complete:   0%");  // the template's own text first
}

TEST_F(ProgressWindowTest, UnevenShareIsRoundedDown) {
  fake::UseFiles({{"a", "1"}, {"b", "2"}, {"c", "3"}});
  RunInstallation(nullptr);
  EXPECT_EQ(WindowEvents(), (std::vector<std::string>{"progress:create", "progress:Percent Complete: 0%",
                                                      "progress:Percent Complete: 33%",
                                                      "progress:Percent Complete: 66%",
                                                      "progress:Percent Complete: 100%", "progress:destroy"}));
}

TEST_F(ProgressWindowTest, FailureLeavesTheWindowUpAtTheFailingFile) {
  mkdir((DataFolder() + "/tovalin.jpg").c_str(), 0777);  // the third file cannot be created
  RunInstallation(nullptr);
  EXPECT_EQ(WindowEvents(), (std::vector<std::string>{"progress:create", "progress:Percent Complete: 0%",
                                                      "progress:Percent Complete: 25%",
                                                      "progress:Percent Complete: 50%"}));
  EXPECT_EQ(fake::ProgressTexts().back(), "Percent Complete: 50%");
}

TEST(PercentTextTest, IsCutToTheBufferAndTerminated) {
  char text[12];
  FormatPercentText(text, sizeof text, 100);
  EXPECT_STREQ(text, "Percent Com");
}

}  // namespace
