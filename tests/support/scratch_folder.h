// Scratch folders and whole files for the tests, the fuzz targets and the packaging tool's tests:
// the one place that makes, fills, reads and removes them (no shell commands).
#pragma once
#include <string>
#include <vector>

/// Creates a new empty folder under the system's temporary folder ($TMPDIR, else /tmp) and
/// returns its absolute path. Aborts the program if that fails: a test without it would only
/// test its own failure.
std::string MakeScratchFolder();

/// Creates folder `path` and every missing folder above it. Returns true when it exists after.
bool MakeFolders(const std::string& path);

/// Removes `path` and everything under it, making read-only folders writable first; returns
/// true when nothing of that name is left.
bool RemoveTree(const std::string& path);

/// Creates or replaces the file at `path` (and its missing parent folders) with `bytes`.
void WriteBytes(const std::string& path, const std::string& bytes);

/// The whole content of `path`, or an empty string when it cannot be read.
std::string ReadBytes(const std::string& path);

/// True when something (a file, a folder, a link, even a dangling one) has the name `path`.
bool PathExists(const std::string& path);

/// The sorted names in folder `path`, without "." and ".."; empty when the folder is missing.
std::vector<std::string> FolderEntries(const std::string& path);
