// SHA-256 (FIPS 180-4): portable code, and the x86 SHA instructions where the processor has them.
#include "product/sha256.h"

#include <string.h>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define SHA256_EXTENSIONS 1
#endif

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

void Compress(uint32_t* h, const unsigned char* p) {
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

#ifdef SHA256_EXTENSIONS
// True when the processor has the SHA extensions and the SSSE3 and SSE4.1 the code below uses.
bool HasShaExtensions() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d) || (c & bit_SSSE3) == 0 || (c & bit_SSE4_1) == 0) return false;
  return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & bit_SHA) != 0;
}

// Compresses `blocks` 64-byte blocks with the SHA instructions, which keep the state as ABEF and
// CDGH and do two rounds per instruction. A thread Windows starts may have a stack aligned to 4
// bytes only: the function aligns its own for the 16-byte values it keeps there.
__attribute__((target("sha,sse4.1,ssse3"), force_align_arg_pointer))
void CompressWithShaExtensions(uint32_t* h, const unsigned char* data, size_t blocks) {
  const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
  __m128i cdab = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(h)), 0xB1);
  __m128i efgh = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(h + 4)), 0x1B);
  __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
  __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);
  for (; blocks > 0; --blocks, data += 64) {
    const __m128i abefBefore = abef, cdghBefore = cdgh;
    // Message words in groups of four: group r + 4 replaces group r once r's rounds are done.
    __m128i words[4];
    for (size_t i = 0; i < 4; ++i) {
      words[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * i)), byteSwap);
    }
    for (size_t r = 0; r < 16; ++r) {
      __m128i sum =
          _mm_add_epi32(words[r & 3], _mm_loadu_si128(reinterpret_cast<const __m128i*>(kRoundConstants + 4 * r)));
      cdgh = _mm_sha256rnds2_epu32(cdgh, abef, sum);
      if (r < 12) {
        __m128i next = _mm_sha256msg1_epu32(words[r & 3], words[(r + 1) & 3]);
        next = _mm_add_epi32(next, _mm_alignr_epi8(words[(r + 3) & 3], words[(r + 2) & 3], 4));
        words[r & 3] = _mm_sha256msg2_epu32(next, words[(r + 3) & 3]);
      }
      sum = _mm_shuffle_epi32(sum, 0x0E);
      abef = _mm_sha256rnds2_epu32(abef, cdgh, sum);
    }
    abef = _mm_add_epi32(abef, abefBefore);
    cdgh = _mm_add_epi32(cdgh, cdghBefore);
  }
  const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
  const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(h), _mm_blend_epi16(feba, dchg, 0xF0));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(h + 4), _mm_alignr_epi8(dchg, feba, 8));
}
#endif

// Compresses `blocks` 64-byte blocks at `data` into the state.
void CompressBlocks(Sha256State* state, const unsigned char* data, size_t blocks) {
#ifdef SHA256_EXTENSIONS
  if (state->shaExtensions) {
    CompressWithShaExtensions(state->h, data, blocks);
    return;
  }
#endif
  for (; blocks > 0; --blocks, data += 64) Compress(state->h, data);
}

}  // namespace

void Sha256Start(Sha256State* state) {
  static const uint32_t kInitial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                       0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  memcpy(state->h, kInitial, sizeof kInitial);
  state->blockUsed = 0;
  state->totalBytes = 0;
#ifdef SHA256_EXTENSIONS
  state->shaExtensions = HasShaExtensions();
#else
  state->shaExtensions = false;
#endif
}

void Sha256Add(Sha256State* state, const unsigned char* data, size_t size) {
  state->totalBytes += size;
  // Whole blocks are compressed where they lie; only the ends of a call go through `block`.
  while (size > 0) {
    if (state->blockUsed == 0 && size >= 64) {
      CompressBlocks(state, data, size / 64);
      data += size & ~static_cast<size_t>(63), size &= 63;
      continue;
    }
    const size_t take = size < 64 - state->blockUsed ? size : 64 - state->blockUsed;
    memcpy(state->block + state->blockUsed, data, take);
    state->blockUsed += (uint32_t)take, data += take, size -= take;
    if (state->blockUsed == 64) {
      CompressBlocks(state, state->block, 1);
      state->blockUsed = 0;
    }
  }
}

void Sha256Finish(Sha256State* state, unsigned char digest[kSha256Size]) {
  const uint64_t bits = state->totalBytes * 8;
  state->block[state->blockUsed++] = 0x80;
  if (state->blockUsed > 56) {
    memset(state->block + state->blockUsed, 0, 64 - state->blockUsed);
    CompressBlocks(state, state->block, 1);
    state->blockUsed = 0;
  }
  memset(state->block + state->blockUsed, 0, 56 - state->blockUsed);
  for (int i = 0; i < 8; ++i) state->block[56 + i] = (unsigned char)(bits >> (56 - 8 * i));
  CompressBlocks(state, state->block, 1);
  for (int i = 0; i < 8; ++i) {
    for (int j = 0; j < 4; ++j) digest[4 * i + j] = (unsigned char)(state->h[i] >> (24 - 8 * j));
  }
}
