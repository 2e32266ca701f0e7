// The rules for the product's names, shared by the packaging tool and the installer's reader.
#include "product/names.h"

#include <string.h>

namespace {

// Characters Windows refuses in a name, and those that end or split an unquoted argument of a
// Program Manager command.
const char kRefusedCharacters[] = "<>:\"|?*";
const char kProgmanBreakers[] = "()[],\"";

NameProblem Problem(NameProblemKind kind, char character = 0, unsigned limit = 0) {
  const NameProblem problem = {kind, character, limit};
  return problem;
}

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

NameProblem FileNameProblem(const char* name) {
  const size_t length = strlen(name);
  if (length == 0) return Problem(NameEmpty);
  if (strpbrk(name, "/\\") != nullptr) return Problem(NameHasDirectory);
  if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) return Problem(NameIsDots);
  if (HasControlCharacter(name)) return Problem(NameHasControl);
  if (const char* at = strpbrk(name, kRefusedCharacters)) return Problem(NameHasRefused, *at);
  if (name[length - 1] == '.') return Problem(NameEndsInDot);
  if (name[length - 1] == ' ') return Problem(NameEndsInSpace);
  if (length > kMaxNameBytes) return Problem(NameTooLong, 0, kMaxNameBytes);
  if (!IsValidUtf8(name, length)) return Problem(NameNotUtf8);
  if (IsDeviceName(name)) return Problem(NameIsDevice);
  return Problem(NameFine);
}

NameProblem PayloadPathProblem(const char* path) {
  const size_t length = strlen(path);
  if (length == 0) return Problem(NameEmpty);
  if (length > kMaxPathBytes) return Problem(NameTooLong, 0, kMaxPathBytes);
  if (strchr(path, '/') != nullptr || path[0] == '\\' || path[length - 1] == '\\') return Problem(NameBadSeparator);
  // Each name in turn, copied out so that the file-name rule sees it alone.
  char name[kMaxNameBytes + 2];
  for (const char* begin = path; *begin != '\0';) {
    const char* end = strchr(begin, '\\');
    if (end == nullptr) end = path + length;
    const size_t nameLength = static_cast<size_t>(end - begin);
    if (nameLength == 0) return Problem(NameBadSeparator);
    if (nameLength > kMaxNameBytes) return Problem(NameTooLong, 0, kMaxNameBytes);
    memcpy(name, begin, nameLength);
    name[nameLength] = '\0';
    const NameProblem problem = FileNameProblem(name);
    if (problem.kind != NameFine) return problem;
    begin = *end == '\\' ? end + 1 : end;
  }
  return Problem(NameFine);
}

size_t SharedFolderLength(const char* a, const char* b) {
  size_t shared = 0;
  for (size_t at = 0; a[at] != '\0' && a[at] == b[at]; ++at) {
    if (a[at] == '\\') shared = at;
  }
  return shared;
}

NameProblem MainExecutableProblem(const char* path) {
  const NameProblem problem = PayloadPathProblem(path);
  if (problem.kind != NameFine) return problem;
  if (strlen(path) > kMaxNameBytes) return Problem(NameTooLong, 0, kMaxNameBytes);
  return Problem(NameFine);
}

NameProblem GroupNameProblem(const char* groupName) {
  if (strlen(groupName) > kMaxTitleBytes) return Problem(NameTooLong, 0, kMaxTitleBytes);
  const NameProblem problem = FileNameProblem(groupName);
  if (problem.kind != NameFine) return problem;
  if (const char* at = strpbrk(groupName, kProgmanBreakers)) return Problem(NameBreaksProgman, *at);
  return Problem(NameFine);
}

NameProblem TitleProblem(const char* appTitle) {
  // The title names the program's items, shortcut files in the group's folder: a file name.
  if (strlen(appTitle) > kMaxTitleBytes) return Problem(NameTooLong, 0, kMaxTitleBytes);
  const NameProblem problem = FileNameProblem(appTitle);
  if (problem.kind != NameFine) return problem;
  if (const char* at = strpbrk(appTitle, kProgmanBreakers)) return Problem(NameBreaksProgman, *at);
  return Problem(NameFine);
}

NameProblem ProductIdProblem(const char* productId) {
  const size_t length = strlen(productId);
  if (length == 0) return Problem(NameEmpty);
  if (length > kMaxProductIdBytes) return Problem(NameTooLong, 0, kMaxProductIdBytes);
  for (const char* p = productId; *p != '\0'; ++p) {
    const char c = *p;
    const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
                         c == '-' || c == '_';
    if (!allowed) return Problem(NameNotProductId);
  }
  return Problem(NameFine);
}

bool MayNameSameFile(const char* a, const char* b) {
  for (;; ++a, ++b) {
    const unsigned char x = static_cast<unsigned char>(*a);
    const unsigned char y = static_cast<unsigned char>(*b);
    if (x == '\0' || y == '\0') return x == y;
    if (x >= 0x80 && y >= 0x80) continue;
    const unsigned char foldedX = x >= 'A' && x <= 'Z' ? static_cast<unsigned char>(x + 32) : x;
    const unsigned char foldedY = y >= 'A' && y <= 'Z' ? static_cast<unsigned char>(y + 32) : y;
    if (foldedX != foldedY) return false;
  }
}
