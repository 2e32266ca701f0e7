// Scratch folders and whole files for tests and fuzz targets.
#include "tests/support/scratch_folder.h"

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

std::string MakeScratchFolder() {
  std::error_code error;
  std::string pattern = (fs::temp_directory_path(error) / "installer-test-XXXXXX").string();
  if (error || mkdtemp(pattern.data()) == nullptr) {
    perror("mkdtemp");
    abort();
  }
  return pattern;
}

bool MakeFolders(const std::string& path) {
  std::error_code error;
  fs::create_directories(path, error);
  return fs::is_directory(path, error);
}

bool RemoveTree(const std::string& path) {
  std::error_code error;
  // A folder without write permission keeps its entries even from its owner.
  if (fs::is_directory(fs::symlink_status(path, error))) {
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, error);
    for (fs::recursive_directory_iterator it(path, error), end; !error && it != end; it.increment(error)) {
      if (it->is_directory(error) && !it->is_symlink(error)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
      }
    }
  }
  error.clear();
  fs::remove_all(path, error);
  return !PathExists(path);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::error_code ignored;
  fs::create_directories(fs::path(path).parent_path(), ignored);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ReadBytes(const std::string& path) {
  // stdio, not a stream: reading a folder by mistake must give nothing, not throw.
  std::string bytes;
  if (FILE* file = fopen(path.c_str(), "rb")) {
    char block[65536];
    size_t count;
    while ((count = fread(block, 1, sizeof block, file)) > 0) bytes.append(block, count);
    fclose(file);
  }
  return bytes;
}

bool PathExists(const std::string& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

std::vector<std::string> FolderEntries(const std::string& path) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(path, error), end; !error && it != end; it.increment(error)) {
    names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}
