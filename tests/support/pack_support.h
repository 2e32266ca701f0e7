// Helpers shared by instpack's tests: running the tool, and bytes to pack and unpack.
#pragma once
#include <stddef.h>

#include <string>
#include <vector>

/// Runs RunInstpack with "instpack" followed by `args`. Returns its status and sets `*error`.
int RunTool(const std::vector<std::string>& args, std::string* error);

/// Returns `size` bytes of deterministic, poorly compressible data seeded by `seed`.
std::string NoiseBytes(size_t size, unsigned seed);

/// Inflates one complete zlib stream. Returns false when `stream` is not exactly one valid
/// stream (trailing bytes included) or inflates to more than `limit` bytes.
bool InflateOne(const std::string& stream, size_t limit, std::string* out);
