// Helpers shared by instpack's tests: running the tool, and bytes to pack and unpack.
#pragma once
#include <stddef.h>

#include <string>
#include <vector>

/// Runs RunInstpack with "instpack" followed by `args`. Returns its status and sets `*error`.
int RunTool(const std::vector<std::string>& args, std::string* error);

/// The arguments that make the tool write a native installer to `output` from this build's own
/// installer program: -o OUTPUT --target native --stub <the program>.
std::vector<std::string> NativeOutput(const std::string& output);

/// Writes what an earlier good run of the tool would have left at `installer` and its depfile
/// `installer`.d: files that a failed run must remove.
void WriteEarlierOutputs(const std::string& installer);

/// Reads the installer data block out of the native installer `installer` (the bytes its trailer
/// points at). Returns false when there is no well-formed trailer.
bool NativeInstallerData(const std::string& installer, std::string* block);

/// Returns `size` bytes of deterministic, poorly compressible data seeded by `seed`.
std::string NoiseBytes(size_t size, unsigned seed);

/// Inflates one complete zlib stream. Returns false when `stream` is not exactly one valid
/// stream (trailing bytes included) or inflates to more than `limit` bytes.
bool InflateOne(const std::string& stream, size_t limit, std::string* out);
