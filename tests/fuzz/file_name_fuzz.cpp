// Fuzzes the rules for names (product/names.h) and the packaging tool's text helpers: any bytes
// as a name must be judged without reading outside it, and an accepted name must be creatable on
// Windows under exactly that name.
#include <stdlib.h>
#include <string.h>

#include <string>

#include "tools/pack/description/name_messages.h"
#include "tools/pack/description/product.h"
#include "product/names.h"
#include "tests/fuzz/fuzz_support.h"
#include "tools/pack/common/unicode_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exactly sized heap copy with its terminator, so a read past the end is an ASan report.
  char* copy = static_cast<char*>(malloc(size + 1));
  memcpy(copy, data, size);
  copy[size] = '\0';
  const std::string name(copy, strnlen(copy, size));

  if (FileNameProblem(copy).kind == NameFine) {
    if (name.empty() || name.size() > kMaxNameBytes || name == "." || name == "..") abort();
    for (unsigned char c : name) {
      if (c < 0x20 || strchr("<>:\"|?*/\\", c) != nullptr) abort();
    }
    if (name.back() == '.' || name.back() == ' ') abort();
    if (!IsValidUtf8(name.data(), name.size())) abort();
    // Case folding keeps a valid name valid UTF-8, and is idempotent.
    const std::string folded = FoldCaseForWindows(name);
    if (!IsValidUtf8(folded.data(), folded.size()) || FoldCaseForWindows(folded) != folded) abort();
    std::u16string units;
    if (!Utf8ToUtf16(name, &units) || units.size() > name.size()) abort();
  }
  const std::string quoted = QuoteForMessage(name);
  for (unsigned char c : quoted) {
    if (c < 0x20 || c == 0x7F) abort();  // a message quoting it stays on one line
  }
  free(copy);
  return 0;
}
