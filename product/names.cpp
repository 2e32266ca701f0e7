// The rules for the product's names, shared by the packaging tool and the installer's reader.
#include "product/names.h"

#include <string.h>

namespace {

// Characters Windows refuses in a name, each with the phrase that says so.
const char kRefusedCharacters[] = "<>:\"|?*";
const char* const kRefusedPhrases[] = {"contains '<'", "contains '>'", "contains ':'", "contains '\"'",
                                       "contains '|'", "contains '?'", "contains '*'"};

// Characters that end or split an unquoted argument of a Program Manager command.
const char kProgmanBreakers[] = "()[],\"";
const char* const kProgmanPhrases[] = {
    "contains '(', which breaks the Program Manager command it appears in",
    "contains ')', which breaks the Program Manager command it appears in",
    "contains '[', which breaks the Program Manager command it appears in",
    "contains ']', which breaks the Program Manager command it appears in",
    "contains ',', which breaks the Program Manager command it appears in",
    "contains '\"', which breaks the Program Manager command it appears in"};

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c; }

// True when the `length` bytes at `text` equal `upper` (ASCII capitals), ignoring ASCII case.
bool EqualsIgnoringCase(const char* text, size_t length, const char* upper) {
  if (strlen(upper) != length) return false;
  for (size_t i = 0; i < length; ++i) {
    if (Upper(text[i]) != upper[i]) return false;
  }
  return true;
}

// True when `name` is a device name to Windows: what comes before its first dot, with the
// spaces at its end dropped, is one of the devices.
bool IsDeviceName(const char* name) {
  const char* dot = strchr(name, '.');
  size_t length = dot != nullptr ? static_cast<size_t>(dot - name) : strlen(name);
  while (length > 0 && name[length - 1] == ' ') --length;
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* device : kDevices) {
    if (EqualsIgnoringCase(name, length, device)) return true;
  }
  if (length < 4 || (!EqualsIgnoringCase(name, 3, "COM") && !EqualsIgnoringCase(name, 3, "LPT"))) return false;
  // A digit 1-9, or a superscript one, two or three (U+00B9, U+00B2, U+00B3), which Windows
  // counts as digits here.
  if (length == 4) return name[3] >= '1' && name[3] <= '9';
  return length == 5 && static_cast<unsigned char>(name[3]) == 0xC2 &&
         (static_cast<unsigned char>(name[4]) == 0xB9 || static_cast<unsigned char>(name[4]) == 0xB2 ||
          static_cast<unsigned char>(name[4]) == 0xB3);
}

// The phrase for the first of `characters` that `text` holds, from `phrases` in the same order,
// or null.
const char* FirstHeld(const char* text, const char* characters, const char* const* phrases) {
  const char* at = strpbrk(text, characters);
  return at != nullptr ? phrases[strchr(characters, *at) - characters] : nullptr;
}

bool HasControlCharacter(const char* text) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
    if (*p < 0x20) return true;
  }
  return false;
}

}  // namespace

bool IsValidUtf8(const char* text, size_t length) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  const unsigned char* end = p + length;
  while (p < end) {
    const unsigned char lead = *p++;
    if (lead < 0x80) continue;
    size_t more;
    unsigned long codePoint;
    if (lead >= 0xC2 && lead <= 0xDF) {
      more = 1, codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      more = 2, codePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      more = 3, codePoint = lead & 0x07;
    } else {
      return false;  // a continuation byte, an overlong two-byte lead, or past U+10FFFF
    }
    if (static_cast<size_t>(end - p) < more) return false;
    for (size_t i = 0; i < more; ++i, ++p) {
      if ((*p & 0xC0) != 0x80) return false;
      codePoint = (codePoint << 6) | (*p & 0x3F);
    }
    const unsigned long smallest = more == 2 ? 0x800 : more == 3 ? 0x10000 : 0x80;
    if (codePoint < smallest || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return false;
  }
  return true;
}

const char* FileNameProblem(const char* name) {
  const size_t length = strlen(name);
  if (length == 0) return "empty name";
  if (strpbrk(name, "/\\") != nullptr) return "has a directory part (a bare file name is required)";
  if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) return "not a file name";
  if (HasControlCharacter(name)) return "contains a control character";
  if (const char* phrase = FirstHeld(name, kRefusedCharacters, kRefusedPhrases)) return phrase;
  if (name[length - 1] == '.') return "ends with a dot (Windows drops it)";
  if (name[length - 1] == ' ') return "ends with a space (Windows drops it)";
  if (length > kMaxNameBytes) return "longer than 255 bytes";
  if (!IsValidUtf8(name, length)) return "not valid UTF-8";
  if (IsDeviceName(name)) return "reserved device name";
  return nullptr;
}

const char* GroupNameProblem(const char* groupName) {
  if (strlen(groupName) > kMaxTitleBytes) return "longer than 200 bytes";
  if (const char* problem = FileNameProblem(groupName)) return problem;
  return FirstHeld(groupName, kProgmanBreakers, kProgmanPhrases);
}

const char* TitleProblem(const char* appTitle) {
  const size_t length = strlen(appTitle);
  if (length == 0) return "empty";
  if (length > kMaxTitleBytes) return "longer than 200 bytes";
  if (!IsValidUtf8(appTitle, length)) return "not valid UTF-8";
  if (HasControlCharacter(appTitle)) return "contains a control character";
  return FirstHeld(appTitle, kProgmanBreakers, kProgmanPhrases);
}

const char* ProductIdProblem(const char* productId) {
  const size_t length = strlen(productId);
  if (length == 0) return "empty";
  if (length > kMaxProductIdBytes) return "longer than 128 characters";
  for (const char* p = productId; *p != '\0'; ++p) {
    const char c = *p;
    const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
                         c == '-' || c == '_';
    if (!allowed) return "only ASCII letters, digits, '.', '-' and '_' may name a product's entry";
  }
  return nullptr;
}
