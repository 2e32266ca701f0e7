// A GoogleTest fixture that runs each test in a fresh folder with its own home, profile folder
// and drive folders, and with every fake reset.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  /// The test's own folder (absolute POSIX path); it is the current directory at the start.
  const std::string& Root() const { return root_; }

  /// Whole-file helpers, with `path` relative to the current directory or absolute.
  static std::string ReadFile(const std::string& path);
  static void WriteFile(const std::string& path, const std::string& contents);
  static bool Exists(const std::string& path);
  /// Names in folder `path`, sorted, without "." and "..".
  static std::vector<std::string> List(const std::string& path);

 private:
  std::string root_;
  std::string previous_;
};
