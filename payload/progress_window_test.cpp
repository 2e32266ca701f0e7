// The progress window's update text; what the window shows during an installation is tested
// with the sequence (driver/installation_test.cpp).
#include "payload/progress_window.h"

#include <gtest/gtest.h>

namespace {

TEST(PercentTextTest, IsCutToTheBufferAndTerminated) {
  char text[12];
  FormatPercentText(text, sizeof text, 100);
  EXPECT_STREQ(text, "Percent Com");
}

}  // namespace
