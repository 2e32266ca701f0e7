// Fuzzes the console edition's ini reader and writer: any file contents, section, key and value.
// Reads must stay inside their buffer; a write followed by a read must give the value back, and
// must leave the entries of other sections as they were.
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <unistd.h>

#include <string>

#include "platform/profile.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

const char kFile[] = "fuzz.ini";

bool Blank(char ch) { return ch == ' ' || ch == '\t' || ch == '\r'; }

// A name or value that an ini line can carry unchanged: one line, no blanks at either end.
bool Plain(const std::string& text, const char* forbidden) {
  if (text.empty()) return true;
  if (Blank(text.front()) || Blank(text.back())) return false;
  return text.find_first_of(forbidden) == std::string::npos && text.find('\0') == std::string::npos;
}

std::string Read(const char* section, const char* key, size_t size) {
  char* buffer = static_cast<char*>(malloc(size));
  const bool whole = ReadProfileText(kFile, section, key, "\x01", buffer, size);
  // A value that does not fit is refused whole, never cut. A NUL byte inside the file is
  // carried into the value, so only the terminator is checked.
  const size_t length = strnlen(buffer, size);
  if (length >= size || (!whole && length != 0)) abort();
  std::string value(buffer, length);
  free(buffer);
  return value;
}

void WriteWhole(const std::string& path, const std::string& contents) {
  FILE* file = fopen(path.c_str(), "wb");
  if (file == nullptr) abort();
  fwrite(contents.data(), 1, contents.size(), file);
  fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = fuzz::ScratchFolder() + "/config/" + kFile;
  fuzz::Input input = {data, size};
  const size_t readSize = 1 + input.Byte() % 64;
  const std::string section = input.Text('\n', 64);
  const std::string key = input.Text('\n', 64);
  const std::string value = input.Text('\n', 256);
  const std::string otherSection = input.Text('\n', 64);
  const std::string otherKey = input.Text('\n', 64);
  const std::string contents = input.Rest();
  WriteWhole(path, contents);

  Read(section.c_str(), key.c_str(), readSize);
  const std::string otherBefore = Read(otherSection.c_str(), otherKey.c_str(), 4096);

  if (!WriteProfileText(kFile, section.c_str(), key.c_str(), value.c_str())) abort();
  const bool plainNames = !section.empty() && !key.empty() && Plain(section, "]\n") &&
                          Plain(key, "=\n") && key[0] != '[' && key[0] != ';' && key[0] != '#';
  const bool plainValue = Plain(value, "\n") &&
                          !(value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                            value.back() == value.front());
  if (plainNames && plainValue) {
    if (Read(section.c_str(), key.c_str(), 4096) != value) abort();
    const bool sameSection = strcasecmp(section.c_str(), otherSection.c_str()) == 0;
    if (!sameSection && Plain(otherSection, "]\n") &&
        Read(otherSection.c_str(), otherKey.c_str(), 4096) != otherBefore) {
      abort();
    }
  }
  unlink(path.c_str());
  return 0;
}
