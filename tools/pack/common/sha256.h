// SHA-256 of a file, for the digest a package manager checks a downloaded installer against.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <string>

/// Returns the SHA-256 digest of `size` bytes at `data` as 64 lowercase hex digits.
std::string Sha256Hex(const void* data, size_t size);

/// Sets `*hex` to the SHA-256 digest of the file at `path` (64 lowercase hex digits). Returns
/// false with `*error` ("cannot read <path>: <reason>") when the file cannot be read whole.
bool Sha256OfFile(const std::string& path, std::string* hex, std::string* error);
