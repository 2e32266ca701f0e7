// Helpers shared by instpack's unit tests: scratch folders, files, and running the tool.
#pragma once
#include <string>
#include <vector>

/// Creates a new empty folder under the system's temporary folder and returns its path.
/// Aborts the test program if that fails.
std::string MakeScratchFolder();

/// Removes `path` and everything under it; failures are ignored.
void RemoveTree(const std::string& path);

/// Creates or replaces the file at `path` (and its missing parent folders) with `bytes`.
void WriteBytes(const std::string& path, const std::string& bytes);

/// Returns the whole content of `path`, or an empty string when it cannot be read.
std::string ReadBytes(const std::string& path);

/// Returns the sorted names in folder `path`; empty when the folder is missing.
std::vector<std::string> FolderEntries(const std::string& path);

/// Runs RunInstpack with "instpack" followed by `args`. Returns its status and sets `*error`.
int RunTool(const std::vector<std::string>& args, std::string* error);

/// Returns `size` bytes of deterministic, poorly compressible data seeded by `seed`.
std::string NoiseBytes(size_t size, unsigned seed);

/// Inflates one complete zlib stream. Returns false when `stream` is not exactly one valid
/// stream (trailing bytes included) or inflates to more than `limit` bytes.
bool InflateOne(const std::string& stream, size_t limit, std::string* out);
