// The digest a package manager checks the installer against, and the installer its data files:
// at the lengths where the padding changes shape (one block or two) and across many blocks, with
// the processor's SHA instructions where it has them and with the portable code.
#include <gtest/gtest.h>

#include <algorithm>

#include "product/sha256.h"
#include "tools/pack/common/sha256.h"

TEST(Sha256, KnownDigests) {
  const struct {
    size_t length;  // of 'a's
    const char* digest;
  } cases[] = {
      {0, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {55, "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
      {56, "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
      {63, "7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34"},
      {64, "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
      {119, "31eba51c313a5c08226adf18d4a359cfdfd8d2e816b13f4af952f7ea6584dcfb"},
      {1000000, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& known : cases) {
    const std::string text(known.length, 'a');
    EXPECT_EQ(Sha256Hex(text.data(), text.size()), known.digest) << known.length << " bytes";
    // The portable code too, where the processor's instructions would do the work, fed in uneven
    // parts so that blocks straddle them.
    Sha256State state;
    Sha256Start(&state);
    state.shaExtensions = false;
    for (size_t at = 0; at < text.size();) {
      const size_t part = std::min<size_t>(text.size() - at, at % 2 == 0 ? 1000 : 999);
      Sha256Add(&state, reinterpret_cast<const unsigned char*>(text.data()) + at, part);
      at += part;
    }
    unsigned char digest[kSha256Size];
    Sha256Finish(&state, digest);
    char hex[2 * kSha256Size + 1];
    for (size_t i = 0; i < kSha256Size; ++i) snprintf(hex + 2 * i, 3, "%02x", digest[i]);
    EXPECT_STREQ(hex, known.digest) << known.length << " bytes, portable";
  }
  EXPECT_EQ(Sha256Hex("abc", 3), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}
