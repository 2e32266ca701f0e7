// Fuzzes the packaging tool's file-name checks and text conversion: any bytes as a name must be
// judged without reading outside it, and an accepted name must be creatable on Windows.
#include <stdlib.h>
#include <string.h>

#include <string>

#include "product.h"
#include "tests/fuzz/fuzz_support.h"
#include "windows1252.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exactly sized heap copy, so a read past the end is an ASan report.
  char* copy = static_cast<char*>(malloc(size == 0 ? 1 : size));
  memcpy(copy, data, size);
  const std::string_view name(copy, size);

  if (BareNameProblem(name).empty()) {
    if (name.empty() || name.size() > kMaxFileNameBytes || name == "." || name == "..") abort();
    for (unsigned char c : name) {
      if (c < 0x20 || strchr("<>:\"|?*/\\", c) != nullptr) abort();
    }
    if (name.back() == '.' || name.back() == ' ') abort();
  }
  const std::string quoted = QuoteForMessage(name);
  for (unsigned char c : quoted) {
    if (c < 0x20 || c == 0x7F) abort();  // a message quoting it stays on one line
  }

  std::string ansi;
  uint32_t bad = 0;
  if (Utf8ToWindows1252(name, &ansi, &bad)) {
    if (ansi.size() > name.size()) abort();
    // Upper-casing never changes a byte count and is idempotent.
    const std::string upper = UpperCase1252(ansi);
    if (upper.size() != ansi.size() || UpperCase1252(upper) != upper) abort();
  }
  free(copy);
  return 0;
}
