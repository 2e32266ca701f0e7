// The words in which instpack's messages quote a text and say what is wrong with a name.
#include "tools/pack/description/name_messages.h"

#include <stdio.h>

std::string DescribeNameProblem(const NameProblem& problem) {
  switch (problem.kind) {
    case NameFine: return std::string();
    case NameEmpty: return "empty";
    case NameHasDirectory: return "has a directory part (a bare file name is required)";
    case NameIsDots: return "not a file name";
    case NameHasControl: return "contains a control character";
    case NameHasRefused: return std::string("contains '") + problem.character + "'";
    case NameEndsInDot: return "ends with a dot (Windows drops it)";
    case NameEndsInSpace: return "ends with a space (Windows drops it)";
    case NameTooLong:
      return problem.limit == kMaxProductIdBytes ? "longer than 128 characters"
                                                 : "longer than " + std::to_string(problem.limit) + " bytes";
    case NameNotUtf8: return "not valid UTF-8";
    case NameIsDevice: return "reserved device name";
    case NameBreaksProgman:
      return std::string("contains '") + problem.character + "', which breaks the Program Manager command it appears in";
    case NameNotProductId: return "only ASCII letters, digits, '.', '-' and '_' may name a product's entry";
    case NameBadSeparator: return "a path's names are separated by single '/' or '\\', none at either end";
  }
  return "not a name";
}

std::string QuoteForMessage(std::string_view text) {
  std::string quoted = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += (char)c;
    } else if (c < 0x20 || c == 0x7F) {
      char escape[8];
      snprintf(escape, sizeof escape, "\\x%02X", c);
      quoted += escape;
    } else {
      quoted += (char)c;
    }
  }
  return quoted + "\"";
}
