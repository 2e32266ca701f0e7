// The packaging tool as a library call: command line in, generated table and packed blob out.
#include "instpack.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <filesystem>
#include <thread>

#include "packer.h"
#include "product.h"
#include "table_source.h"

namespace fs = std::filesystem;

namespace {

// Escapes a path for a Makefile-syntax depfile, as make and ninja read them.
std::string DepfilePath(const std::string& path) {
  std::string escaped;
  for (char c : path) {
    if (c == ' ' || c == '#') escaped += '\\';
    if (c == '$') escaped += '$';
    escaped += c;
  }
  return escaped;
}

// Writes `text` to a new file at `path`. Returns false with `*error` set on failure.
bool WriteTextFile(const std::string& path, const std::string& text, std::string* error) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    *error = "cannot create " + path + ": " + strerror(errno);
    return false;
  }
  const bool written = WriteAll(fd, text.data(), text.size());
  const int writeErrno = errno;
  if (close(fd) != 0 && written) {
    *error = "cannot write " + path + ": " + strerror(errno);
    return false;
  }
  if (!written) *error = "cannot write " + path + ": " + strerror(writeErrno);
  return written;
}

// The outputs of one run (table, blob, then the depfile if asked for) and their temporary names.
struct Outputs {
  std::vector<std::string> finals;
  std::vector<std::string> temporaries;
};

void RemoveAll(const Outputs& outputs) {
  std::error_code ignored;
  for (const std::string& path : outputs.temporaries) fs::remove(path, ignored);
  for (const std::string& path : outputs.finals) fs::remove(path, ignored);
}

// Does the work once the command line is understood. Returns true when every temporary is
// written; false with `*error` set otherwise.
bool Package(const std::string& descriptionPath, const Outputs& outputs, bool wantDepfile,
             int threads, std::string* error) {
  Product product;
  if (!LoadProduct(descriptionPath, &product, error)) return false;

  // Measure every source before packing any, so that a missing file late in the list fails
  // at once instead of after minutes of compression.
  std::vector<PackSource> sources(product.files.size());
  auto fileError = [&](size_t i, const std::string& message) {
    *error = descriptionPath + ": files[" + std::to_string(i) + "] " +
             QuoteForMessage(product.files[i].displayName) + ": " + message;
    return false;
  };
  for (size_t i = 0; i < product.files.size(); ++i) {
    sources[i].path = product.files[i].sourcePath;
    std::string problem;
    if (!MeasureSource(sources[i].path, &sources[i].size, &problem)) return fileError(i, problem);
  }

  const std::string& blobPath = outputs.temporaries[1];
  const int blobFd = open(blobPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (blobFd < 0) {
    *error = "cannot create " + blobPath + ": " + strerror(errno);
    return false;
  }
  PackedPayload payload;
  int failedFile = -1;
  std::string problem;
  const bool packed = PackPayload(sources, blobFd, blobPath, threads, &payload, &failedFile, &problem);
  if (close(blobFd) != 0 && packed) {
    *error = "cannot write " + blobPath + ": " + strerror(errno);
    return false;
  }
  if (!packed) {
    if (failedFile >= 0) return fileError((size_t)failedFile, problem);
    *error = descriptionPath + ": " + problem;
    return false;
  }

  const std::string table =
      PayloadTableSource(product, payload, fs::path(descriptionPath).filename().string());
  if (!WriteTextFile(outputs.temporaries[0], table, error)) return false;

  if (wantDepfile) {
    std::string depfile = DepfilePath(outputs.finals[0]) + " " + DepfilePath(outputs.finals[1]) +
                          ": " + DepfilePath(descriptionPath);
    for (const PackSource& source : sources) depfile += " " + DepfilePath(source.path);
    depfile += "\n";
    if (!WriteTextFile(outputs.temporaries[2], depfile, error)) return false;
  }
  return true;
}

}  // namespace

int RunInstpack(int argc, const char* const* argv, std::string* error) {
  std::string descriptionPath;
  std::string outDir;
  std::string depfilePath;
  int threads = (int)std::thread::hardware_concurrency();
  if (threads < 1) threads = 1;

  CLI::App app("Packages a product description into the installer's payload table and blob.",
               "instpack");
  app.add_option("description", descriptionPath, "Product description (TOML)")->required();
  app.add_option("--out-dir", outDir, "Directory that receives payload_table.cpp and payload.bin")
      ->required();
  app.add_option("--depfile", depfilePath, "Also write a Makefile-syntax dependency file here");
  app.add_option("--threads", threads, "Compression threads (default: one per core)")
      ->check(CLI::Range(1, 256));
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& help) {
    app.exit(help);
    return 0;
  } catch (const CLI::ParseError& misuse) {
    *error = std::string(misuse.what()) + " (see instpack --help)";
    return 2;
  }

  std::error_code created;
  fs::create_directories(outDir, created);
  if (created || !fs::is_directory(outDir)) {
    *error = outDir + ": cannot create the output directory" +
             (created ? ": " + created.message() : std::string());
    return 1;
  }
  Outputs outputs;
  outputs.finals.push_back((fs::path(outDir) / "payload_table.cpp").string());
  outputs.finals.push_back((fs::path(outDir) / "payload.bin").string());
  if (!depfilePath.empty()) outputs.finals.push_back(depfilePath);
  // Each temporary sits beside its output, so that the rename stays on one file system; the
  // process id keeps two runs into one directory from writing the same temporary.
  const std::string suffix = "." + std::to_string((long)getpid()) + ".tmp";
  for (const std::string& path : outputs.finals) outputs.temporaries.push_back(path + suffix);

  if (!Package(descriptionPath, outputs, !depfilePath.empty(), threads, error)) {
    RemoveAll(outputs);
    return 1;
  }
  for (size_t i = 0; i < outputs.finals.size(); ++i) {
    if (rename(outputs.temporaries[i].c_str(), outputs.finals[i].c_str()) != 0) {
      *error = "cannot rename " + outputs.temporaries[i] + " to " + outputs.finals[i] + ": " + strerror(errno);
      RemoveAll(outputs);
      return 1;
    }
  }
  return 0;
}
