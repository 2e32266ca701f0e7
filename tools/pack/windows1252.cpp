// Conversion of description texts from UTF-8 to Windows-1252, the installer's 8-bit ANSI code page.
#include "windows1252.h"

namespace {

// The characters of bytes 0x80..0x9F; 0 marks the five bytes Windows-1252 leaves unassigned.
// Every other byte maps to the code point of the same value.
const uint16_t kHighControlRange[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Returns the Windows-1252 byte for `codePoint`, or -1 when there is none.
int ByteForCodePoint(uint32_t codePoint) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) return (int)codePoint;
  for (int i = 0; i < 32; ++i) {
    if (kHighControlRange[i] != 0 && kHighControlRange[i] == codePoint) return 0x80 + i;
  }
  return -1;
}

// Decodes one UTF-8 sequence at `text[*pos]`, advancing `*pos`. Returns the code point, or
// 0xFFFFFFFF for a malformed, overlong or surrogate sequence.
uint32_t DecodeUtf8(std::string_view text, size_t* pos) {
  const unsigned char lead = (unsigned char)text[*pos];
  ++*pos;
  if (lead < 0x80) return lead;
  int extra;
  uint32_t codePoint;
  uint32_t minimum;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1, codePoint = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, codePoint = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, codePoint = lead & 0x07, minimum = 0x10000;
  } else {
    return 0xFFFFFFFF;
  }
  for (int i = 0; i < extra; ++i) {
    if (*pos >= text.size()) return 0xFFFFFFFF;
    const unsigned char next = (unsigned char)text[*pos];
    if ((next & 0xC0) != 0x80) return 0xFFFFFFFF;
    codePoint = (codePoint << 6) | (next & 0x3F);
    ++*pos;
  }
  if (codePoint < minimum || codePoint > 0x10FFFF) return 0xFFFFFFFF;
  if (codePoint >= 0xD800 && codePoint <= 0xDFFF) return 0xFFFFFFFF;
  return codePoint;
}

}  // namespace

bool Utf8ToWindows1252(std::string_view utf8, std::string* out, uint32_t* badCodePoint) {
  out->clear();
  out->reserve(utf8.size());
  size_t pos = 0;
  while (pos < utf8.size()) {
    const uint32_t codePoint = DecodeUtf8(utf8, &pos);
    const int byte = codePoint == 0xFFFFFFFF ? -1 : ByteForCodePoint(codePoint);
    if (byte < 0) {
      *badCodePoint = codePoint;
      return false;
    }
    out->push_back((char)byte);
  }
  return true;
}

unsigned char UpperCase1252(unsigned char byte) {
  if (byte >= 'a' && byte <= 'z') return byte - 0x20;
  if (byte == 0x9A || byte == 0x9C || byte == 0x9E) return byte - 0x10;  // š œ ž
  if (byte == 0xFF) return 0x9F;                                          // ÿ
  if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7) return byte - 0x20;  // à..þ but not ÷
  return byte;
}

std::string UpperCase1252(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = (char)UpperCase1252((unsigned char)c);
  return upper;
}
