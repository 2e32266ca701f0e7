// Helpers shared by instpack's unit tests: scratch folders, files, and running the tool.
#include "test_support.h"

#include <stdio.h>
#include <stdlib.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "instpack.h"

namespace fs = std::filesystem;

std::string MakeScratchFolder() {
  std::string pattern = (fs::temp_directory_path() / "instpack_test.XXXXXX").string();
  if (!mkdtemp(pattern.data())) {
    perror("mkdtemp");
    abort();
  }
  return pattern;
}

void RemoveTree(const std::string& path) {
  std::error_code ignored;
  fs::remove_all(path, ignored);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::error_code ignored;
  fs::create_directories(fs::path(path).parent_path(), ignored);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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

int RunTool(const std::vector<std::string>& args, std::string* error) {
  std::vector<const char*> argv = {"instpack"};
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  error->clear();
  return RunInstpack((int)argv.size(), argv.data(), error);
}

std::string NoiseBytes(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  uint64_t state = 0x9E3779B97F4A7C15ull * (seed + 1);
  for (size_t i = 0; i < size; ++i) {
    state ^= state << 13, state ^= state >> 7, state ^= state << 17;
    bytes[i] = (char)(state >> 24);
  }
  return bytes;
}

bool InflateOne(const std::string& stream, size_t limit, std::string* out) {
  z_stream z = {};
  if (inflateInit(&z) != Z_OK) return false;
  out->assign(limit + 1, '\0');
  z.next_in = (Bytef*)stream.data();
  z.avail_in = (uInt)stream.size();
  z.next_out = (Bytef*)out->data();
  z.avail_out = (uInt)out->size();
  const int status = inflate(&z, Z_FINISH);
  const bool ok = status == Z_STREAM_END && z.avail_in == 0 && z.total_out <= limit;
  out->resize(z.total_out);
  inflateEnd(&z);
  return ok;
}
