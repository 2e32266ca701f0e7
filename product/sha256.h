// SHA-256 (FIPS 180-4), written out here so that neither the installer nor the packaging tool
// needs a crypto library: the packaging tool records the digest of each data file, and the
// installer checks it before it uses the file.
#pragma once
#include <stddef.h>
#include <stdint.h>

enum : uint32_t { kSha256Size = 32 };

/// The running state of one digest: started, fed bytes in any pieces, finished once.
struct Sha256State {
  uint32_t h[8];
  unsigned char block[64];
  uint32_t blockUsed;
  uint64_t totalBytes;
  bool shaExtensions;  // the processor's SHA instructions do the work (x86 only)
};

/// Starts a digest, with the processor's SHA instructions where it has them (several times as
/// fast: the installer hashes gigabytes before it writes anything).
void Sha256Start(Sha256State* state);

/// Feeds `size` bytes at `data` (null only when `size` is 0) to the digest.
void Sha256Add(Sha256State* state, const unsigned char* data, size_t size);

/// Finishes the digest and writes its 32 bytes to `digest`; the state is spent.
void Sha256Finish(Sha256State* state, unsigned char digest[kSha256Size]);
