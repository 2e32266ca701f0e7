// The description's texts as Unicode.
#include "tools/pack/common/unicode_text.h"

#include <stdint.h>

namespace {

// Decodes the code point at `*at` of valid UTF-8 and moves past it.
uint32_t NextCodePoint(const std::string& text, size_t* at) {
  const unsigned char lead = (unsigned char)text[*at];
  const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  uint32_t codePoint = length == 1 ? lead : lead & (0x7F >> length);
  for (size_t k = 1; k < length && *at + k < text.size(); ++k) codePoint = (codePoint << 6) | (text[*at + k] & 0x3F);
  *at += length;
  return codePoint;
}

void AppendUtf8(uint32_t codePoint, std::string* out) {
  if (codePoint < 0x80) {
    *out += (char)codePoint;
  } else if (codePoint < 0x800) {
    *out += (char)(0xC0 | (codePoint >> 6));
    *out += (char)(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    *out += (char)(0xE0 | (codePoint >> 12));
    *out += (char)(0x80 | ((codePoint >> 6) & 0x3F));
    *out += (char)(0x80 | (codePoint & 0x3F));
  } else {
    *out += (char)(0xF0 | (codePoint >> 18));
    *out += (char)(0x80 | ((codePoint >> 12) & 0x3F));
    *out += (char)(0x80 | ((codePoint >> 6) & 0x3F));
    *out += (char)(0x80 | (codePoint & 0x3F));
  }
}

// In ranges where capital and small letters alternate, the capital is the even code point (or
// the odd one, for `oddCapitals`).
uint32_t PairedCapital(uint32_t c, bool oddCapitals) {
  const bool small = oddCapitals ? (c % 2 == 0) : (c % 2 == 1);
  return small ? c - 1 : c;
}

uint32_t Capital(uint32_t c) {
  if (c >= 'a' && c <= 'z') return c - 0x20;
  if (c < 0x80) return c;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;  // Latin-1: à-þ but ÷
  if (c == 0xFF) return 0x178;                                   // ÿ
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return PairedCapital(c, false);
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return PairedCapital(c, true);
  if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return c - 0x20;   // Greek α-ϋ, but final sigma
  if (c == 0x3C2) return 0x3A3;                                  // ς
  if (c == 0x3AC) return 0x386;                                  // ά
  if (c >= 0x3AD && c <= 0x3AF) return c - 0x25;                 // έ ή ί
  if (c == 0x3CC) return 0x38C;                                  // ό
  if (c == 0x3CD || c == 0x3CE) return c - 0x3F;                 // ύ ώ
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;                 // Cyrillic а-я
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;                 // ѐ-џ
  if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F)) {
    return PairedCapital(c, false);
  }
  if (c >= 0x4C1 && c <= 0x4CE) return PairedCapital(c, true);
  if (c == 0x4CF) return 0x4C0;                                  // ӏ
  if (c >= 0x561 && c <= 0x586) return c - 0x30;                 // Armenian
  if (c >= 0x1E00 && c <= 0x1EFF && !(c >= 0x1E96 && c <= 0x1E9F)) return PairedCapital(c, false);
  if (c >= 0xFF41 && c <= 0xFF5A) return c - 0x20;               // full-width a-z
  return c;
}

}  // namespace

bool Utf8ToUtf16(const std::string& utf8, std::u16string* out) {
  out->clear();
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char lead = (unsigned char)utf8[i];
    uint32_t codePoint;
    size_t length;
    if (lead < 0x80) codePoint = lead, length = 1;
    else if ((lead & 0xE0) == 0xC0) codePoint = lead & 0x1F, length = 2;
    else if ((lead & 0xF0) == 0xE0) codePoint = lead & 0x0F, length = 3;
    else if ((lead & 0xF8) == 0xF0) codePoint = lead & 0x07, length = 4;
    else return false;
    if (i + length > utf8.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      const unsigned char next = (unsigned char)utf8[i + k];
      if ((next & 0xC0) != 0x80) return false;
      codePoint = (codePoint << 6) | (next & 0x3F);
    }
    static const uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (codePoint < kSmallest[length] || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint < 0xE000)) {
      return false;
    }
    if (codePoint >= 0x10000) {
      out->push_back((char16_t)(0xD800 + ((codePoint - 0x10000) >> 10)));
      out->push_back((char16_t)(0xDC00 + ((codePoint - 0x10000) & 0x3FF)));
    } else {
      out->push_back((char16_t)codePoint);
    }
    i += length;
  }
  return true;
}

std::string FoldCaseForWindows(const std::string& name) {
  std::string folded;
  for (size_t at = 0; at < name.size();) AppendUtf8(Capital(NextCodePoint(name, &at)), &folded);
  return folded;
}
