// Per-test folders for unit tests.
#include "tests/support/temp_folder.h"

#include <stdlib.h>
#include <unistd.h>

void TempFolderTest::SetUp() {
  root_ = MakeScratchFolder();
  char current[4096];
  previous_ = getcwd(current, sizeof current) ? current : "/";
  for (const char* folder : {"/home", "/config", "/drives", "/work"}) ASSERT_TRUE(MakeFolders(root_ + folder));
  setenv("HOME", (root_ + "/home").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);
  setenv("INSTALLER_DRIVES", (root_ + "/drives").c_str(), 1);
  ASSERT_EQ(chdir((root_ + "/work").c_str()), 0);
}

void TempFolderTest::TearDown() {
  if (chdir(previous_.c_str()) != 0) return;
  if (!RemoveTree(root_)) ADD_FAILURE() << "could not remove " << root_;
}

std::string TempFolderTest::NativeFolder(const std::string& windowsPath) const {
  std::string drivePath = windowsPath.substr(0, 1) + windowsPath.substr(2);
  for (char& ch : drivePath) {
    if (ch == '\\') ch = '/';
  }
  return DriveFolder(drivePath);
}

std::string TempFolderTest::LongWindowsPath(size_t length) {
  std::string path = "C:";
  while (path.size() + 201 < length) path += "\\" + std::string(200, 'd');
  path += "\\" + std::string(length - path.size() - 1, 'e');
  return path;
}
