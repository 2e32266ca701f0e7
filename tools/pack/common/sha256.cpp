// SHA-256 (FIPS 180-4), written out here so that the tool needs no crypto library on Windows.
#include "tools/pack/common/sha256.h"

#include <errno.h>
#include <string.h>
#include <unistd.h>

#include <vector>

#include "tools/pack/common/file_io.h"

namespace {

const uint32_t kRoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

uint32_t RotateRight(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

// The running state of one digest: fed in any pieces, finished once.
struct Sha256 {
  uint32_t h[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  unsigned char block[64];
  size_t blockUsed = 0;
  uint64_t totalBytes = 0;

  void Compress(const unsigned char* p) {
    uint32_t w[64];
    for (size_t i = 0; i < 16; ++i) {
      w[i] = (uint32_t)p[4 * i] << 24 | (uint32_t)p[4 * i + 1] << 16 | (uint32_t)p[4 * i + 2] << 8 | p[4 * i + 3];
    }
    for (size_t i = 16; i < 64; ++i) {
      const uint32_t s0 = RotateRight(w[i - 15], 7) ^ RotateRight(w[i - 15], 18) ^ (w[i - 15] >> 3);
      const uint32_t s1 = RotateRight(w[i - 2], 17) ^ RotateRight(w[i - 2], 19) ^ (w[i - 2] >> 10);
      w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6], k = h[7];
    for (size_t i = 0; i < 64; ++i) {
      const uint32_t t1 = k + (RotateRight(e, 6) ^ RotateRight(e, 11) ^ RotateRight(e, 25)) + ((e & f) ^ (~e & g)) +
                          kRoundConstants[i] + w[i];
      const uint32_t t2 = (RotateRight(a, 2) ^ RotateRight(a, 13) ^ RotateRight(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
      k = g;
      g = f;
      f = e;
      e = d + t1;
      d = c;
      c = b;
      b = a;
      a = t1 + t2;
    }
    h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e, h[5] += f, h[6] += g, h[7] += k;
  }

  void Add(const unsigned char* data, size_t size) {
    totalBytes += size;
    while (size > 0) {
      const size_t take = size < 64 - blockUsed ? size : 64 - blockUsed;
      memcpy(block + blockUsed, data, take);
      blockUsed += take, data += take, size -= take;
      if (blockUsed == 64) {
        Compress(block);
        blockUsed = 0;
      }
    }
  }

  std::string FinishHex() {
    const uint64_t bits = totalBytes * 8;
    const unsigned char one = 0x80, zero = 0;
    Add(&one, 1);
    while (blockUsed != 56) Add(&zero, 1);
    unsigned char length[8];
    for (int i = 0; i < 8; ++i) length[i] = (unsigned char)(bits >> (56 - 8 * i));
    Add(length, 8);
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (uint32_t word : h) {
      for (int shift = 28; shift >= 0; shift -= 4) hex += kDigits[(word >> shift) & 15];
    }
    return hex;
  }
};

}  // namespace

std::string Sha256Hex(const void* data, size_t size) {
  Sha256 digest;
  digest.Add(static_cast<const unsigned char*>(data), size);
  return digest.FinishHex();
}

bool Sha256OfFile(const std::string& path, std::string* hex, std::string* error) {
  const int fd = OpenForReading(path);
  if (fd < 0) {
    *error = "cannot read " + path + ": " + strerror(errno);
    return false;
  }
  Sha256 digest;
  std::vector<unsigned char> buffer(1 << 16);
  long long got;
  while ((got = ReadFully(fd, buffer.data(), buffer.size())) > 0) digest.Add(buffer.data(), (size_t)got);
  const int readError = errno;
  close(fd);
  if (got < 0) {
    *error = "cannot read " + path + ": " + strerror(readError);
    return false;
  }
  *hex = digest.FinishHex();
  return true;
}
