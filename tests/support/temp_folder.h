// A GoogleTest fixture that runs each test in a fresh scratch folder with its own home, profile
// folder and drive folders, for tests of the installer against the real file services.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "tests/support/scratch_folder.h"

class TempFolderTest : public ::testing::Test {
 protected:
  /// Makes the folder with "home", "config" (the profile folder), "drives" (the drive folders,
  /// none yet) and "work" inside, points HOME, XDG_CONFIG_HOME and INSTALLER_DRIVES at them and
  /// makes "work" the current directory, which lies in no drive folder.
  void SetUp() override;
  /// Goes back to the directory the test started in and removes the folder.
  void TearDown() override;

  /// The test's own folder (absolute POSIX path).
  const std::string& Root() const { return root_; }

  /// The native folder of the drive path `drivePath` ("C/Program Files/Tovalin").
  std::string DriveFolder(const std::string& drivePath) const { return root_ + "/drives/" + drivePath; }

  /// The native folder of the full Windows path `windowsPath` ("C:\a\b" -> the drive path "C/a/b").
  std::string NativeFolder(const std::string& windowsPath) const;

  /// A Windows path on drive C: of exactly `length` characters, made of 200-character folder
  /// names, for the bounds of the data directory.
  static std::string LongWindowsPath(size_t length);

 private:
  std::string root_;
  std::string previous_;
};
