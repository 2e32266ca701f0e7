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
