// Per-test folders for unit tests.
#include "tests/fakes/temp_folder.h"

#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "tests/fakes/fake_platform.h"
#include "tests/fakes/test_tables.h"

void TempFolderTest::SetUp() {
  char pattern[] = "/tmp/installer-test-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  root_ = pattern;
  char current[4096];
  previous_ = getcwd(current, sizeof current) ? current : "/";
  mkdir((root_ + "/home").c_str(), 0777);
  mkdir((root_ + "/config").c_str(), 0777);
  mkdir((root_ + "/drives").c_str(), 0777);
  mkdir((root_ + "/work").c_str(), 0777);
  setenv("HOME", (root_ + "/home").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);
  setenv("INSTALLER_DRIVES", (root_ + "/drives").c_str(), 1);
  ASSERT_EQ(chdir((root_ + "/work").c_str()), 0);
  fake::Reset();
  fake::ResetTables();
}

void TempFolderTest::TearDown() {
  if (chdir(previous_.c_str()) != 0) return;
  std::string command = "chmod -R u+rwx '" + root_ + "' && rm -rf '" + root_ + "'";
  if (system(command.c_str()) != 0) ADD_FAILURE() << "could not remove " << root_;
}

std::string TempFolderTest::ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

void TempFolderTest::WriteFile(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << contents;
}

bool TempFolderTest::Exists(const std::string& path) {
  struct stat status;
  return lstat(path.c_str(), &status) == 0;
}

std::vector<std::string> TempFolderTest::List(const std::string& path) {
  std::vector<std::string> names;
  if (DIR* folder = opendir(path.c_str())) {
    while (dirent* entry = readdir(folder)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(folder);
  }
  std::sort(names.begin(), names.end());
  return names;
}
