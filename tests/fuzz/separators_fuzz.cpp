// Fuzzes NormalizeSeparators and StripTrailingChar against what they promise about their result.
#include <stdlib.h>
#include <string.h>

#include <string>

#include "datadir/data_directory.h"
#include "platform/windows_path.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input input = {data, size};
  const char strip = static_cast<char>(input.Byte());
  // Exactly sized heap copies, so a write one past the terminator is an ASan report.
  const std::string text = input.Text(0, 4096);
  char* path = static_cast<char*>(malloc(text.size() + 1));
  memcpy(path, text.c_str(), text.size() + 1);

  NormalizeSeparators(path);
  const std::string normalized = path;
  // No '/', no doubled '\', every other character kept in order.
  if (normalized.find('/') != std::string::npos || normalized.find("\\\\") != std::string::npos) abort();
  std::string kept, keptAfter;
  for (char ch : text) if (!IsPathSeparator(ch)) kept += ch;
  for (char ch : normalized) if (ch != '\\') keptAfter += ch;
  if (kept != keptAfter) abort();
  // A separator run in the input is exactly one '\' in the output: compare run counts.
  size_t runs = 0;
  for (size_t i = 0; i < text.size(); ++i) runs += IsPathSeparator(text[i]) && (i == 0 || !IsPathSeparator(text[i - 1]));
  size_t backslashes = 0;
  for (char ch : normalized) backslashes += ch == '\\';
  if (runs != backslashes) abort();

  const size_t before = strlen(path);
  StripTrailingChar(path, strip);
  const size_t after = strlen(path);
  const bool shouldStrip = before > 0 && strip != '\0' && normalized[before - 1] == strip;
  if (after != before - (shouldStrip ? 1 : 0)) abort();
  if (normalized.compare(0, after, path) != 0) abort();
  free(path);
  return 0;
}
