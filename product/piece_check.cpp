// The per-piece checksum shared by the packaging tool and the installer.
#include "product/payload_table.h"

#include <string.h>

// FNV-style over 8-byte words: each step is a bijection of the running state, so a change to
// any single word always reaches the result; one multiply per word keeps it far cheaper than
// the decompression it guards.
uint64_t PieceCheck(const unsigned char* data, size_t size) {
  const uint64_t prime = 0x100000001b3ull;
  uint64_t state = 0xcbf29ce484222325ull ^ (uint64_t)size;
  size_t offset = 0;
  for (; offset + 8 <= size; offset += 8) {
    uint64_t word;
    memcpy(&word, data + offset, 8);
    state = (state ^ word) * prime;
  }
  uint64_t tail = 0;
  memcpy(&tail, data + offset, size - offset);
  state = (state ^ tail ^ ((uint64_t)(size - offset) << 59)) * prime;
  state ^= state >> 29;
  return state;
}
