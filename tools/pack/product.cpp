// Reading and checking a product description: the installer's settings and its ordered file list.
#include "product.h"

#include <ctype.h>
#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <filesystem>
#include <map>

#include "windows1252.h"

// The tool reports errors as values, like the rest of it; toml++ then returns a parse_result.
#define TOML_EXCEPTIONS 0
// toml++ 3.3 checks some of its own parser states with assert(), and a few malformed documents
// (an array closed by '}', for one) fail those checks instead of reaching its error report.
// Release builds compile the checks out and report the error; debug and sanitizer builds of the
// tool must do the same rather than abort, so the library's assertions are off here too.
#define TOML_ASSERT(expr) static_assert(true)
#include <toml++/toml.h>

namespace {

const char* const kKeys[] = {"groupName",    "appTitle",       "iniFileName", "offerStartupGroup",
                             "startupPrompt", "mainExecutable", "files"};

// Reads the whole file at `path` into `*text`. Returns false with `*error` set on failure.
bool ReadWholeFile(const std::string& path, std::string* text, std::string* error) {
  FILE* file = fopen(path.c_str(), "rb");
  if (!file) {
    *error = path + ": cannot read: " + strerror(errno);
    return false;
  }
  char buffer[65536];
  size_t count;
  while ((count = fread(buffer, 1, sizeof buffer, file)) > 0) text->append(buffer, count);
  const bool failed = ferror(file) != 0;
  const int savedErrno = errno;
  fclose(file);
  if (failed) {
    *error = path + ": cannot read: " + strerror(savedErrno);
    return false;
  }
  return true;
}

// Formats a code point for a message: U+20AC.
std::string CodePointName(uint32_t codePoint) {
  if (codePoint == 0xFFFFFFFF) return "invalid UTF-8";
  char text[32];
  snprintf(text, sizeof text, "U+%04X", (unsigned)codePoint);
  return text;
}

// Converts the text setting `what` to Windows-1252 in `*out`. Returns an empty string on
// success, else the reason.
std::string ToAnsi(const std::string& utf8, std::string* out) {
  uint32_t bad = 0;
  if (Utf8ToWindows1252(utf8, out, &bad)) return std::string();
  return "character " + CodePointName(bad) + " is not in Windows-1252 (the installer's 8-bit code page)";
}

// True when `c` would end or split an argument of a Program Manager command, where group and
// item names appear unquoted ("[CreateGroup(%s)]", "[AddItem(...,%s,...)]").
bool BreaksProgmanCommand(unsigned char c) {
  return c == '(' || c == ')' || c == '[' || c == ']' || c == ',' || c == '"';
}

std::string Describe(char c) {
  return std::string("contains '") + c + "'";
}

// Checks the TOML `text` for two mistakes that the TOML reader in use (toml++ 3.3) does not survive
// cleanly, so that they are refused before it sees them: a byte of 0x80 or above outside a string
// or comment, where the grammar allows none (its non-ASCII whitespace table falls through to an
// "unreachable" point), and a table header whose '[' or '[[' is followed by something that cannot
// begin a key (it asserts, or in optimised builds assumes, that a key follows). Strings are
// skipped as TOML delimits them: basic and multi-line basic strings with backslash escapes,
// literal and multi-line literal strings without. Returns "line:column: reason" (1-based, column
// in bytes) for the first such mistake, or an empty string.
std::string FindReaderTrap(const std::string& text) {
  const size_t size = text.size();
  size_t line = 1, lineStart = 0, i = 0;
  int depth = 0;           // open '[' and '{' outside strings: inside a value, '[' is an array
  bool lineBlank = true;   // nothing but blanks so far on this line
  auto newlineAt = [&](size_t at) {
    ++line;
    lineStart = at + 1;
    lineBlank = true;
  };
  auto where = [&](size_t at, const char* reason) {
    return std::to_string(line) + ":" + std::to_string(at - lineStart + 1) + ": " + reason;
  };
  while (i < size) {
    const char c = text[i];
    if (c == '\n') {
      newlineAt(i);
      ++i;
      continue;
    }
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
      continue;
    }
    const bool startsLine = lineBlank;
    lineBlank = false;
    if (c == '#') {
      while (i < size && text[i] != '\n') ++i;
    } else if (c == '"' || c == '\'') {
      const bool basic = c == '"';
      const bool multiLine = text.compare(i, 3, std::string(3, c)) == 0;
      i += multiLine ? 3 : 1;
      while (i < size) {
        if (basic && text[i] == '\\') {
          if (i + 1 < size && text[i + 1] == '\n') newlineAt(i + 1);
          i += 2;
        } else if (text[i] == c && (!multiLine || text.compare(i, 3, std::string(3, c)) == 0)) {
          // A run of more than three closing quotes keeps the first ones as content.
          size_t run = 0;
          while (i + run < size && text[i + run] == c) ++run;
          i += multiLine ? run : 1;
          lineBlank = false;
          break;
        } else if (text[i] == '\n') {
          newlineAt(i);
          ++i;
          if (!multiLine) break;  // an unterminated string: the reader reports it
        } else {
          ++i;
        }
      }
    } else if (c == '[' && depth == 0 && startsLine) {
      size_t next = i + (text.compare(i, 2, "[[") == 0 ? 2 : 1);
      while (next < size && (text[next] == ' ' || text[next] == '\t')) ++next;
      const unsigned char k = next < size ? (unsigned char)text[next] : 0;
      if (!(isalnum(k) || k == '_' || k == '-' || k == '"' || k == '\'' || k == ']' || k >= 0x80)) {
        return where(next, "a table header without a name");
      }
      ++depth;
      ++i;
    } else if (c == '[' || c == '{') {
      ++depth;
      ++i;
    } else if (c == ']' || c == '}') {
      if (depth > 0) --depth;
      ++i;
    } else if ((unsigned char)c >= 0x80) {
      return where(i, "a non-ASCII character outside a quoted string or comment");
    } else {
      ++i;
    }
  }
  return std::string();
}

}  // namespace

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

std::string BareNameProblem(std::string_view name) {
  if (name.empty()) return "empty name";
  for (unsigned char c : name) {
    if (c == '/' || c == '\\') return "has a directory part (a bare file name is required)";
  }
  if (name == "." || name == "..") return "not a file name";
  for (unsigned char c : name) {
    if (c < 0x20) return "contains a control character";
    if (strchr("<>:\"|?*", c)) return Describe((char)c);
  }
  if (name.back() == '.') return "ends with a dot (Windows drops it)";
  if (name.back() == ' ') return "ends with a space (Windows drops it)";
  if (name.size() > kMaxFileNameBytes) return "longer than 255 bytes";
  // Windows maps these names to devices in every directory, whatever the extension and with
  // spaces before the dot; the superscript digits count as digits here.
  std::string base = UpperCase1252(name.substr(0, name.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return "reserved device name";
  if (base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0)) {
    const unsigned char digit = (unsigned char)base[3];
    if ((digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3) {
      return "reserved device name";
    }
  }
  return std::string();
}

bool LoadProduct(const std::string& descriptionPath, Product* product, std::string* error) {
  std::string text;
  if (!ReadWholeFile(descriptionPath, &text, error)) return false;
  const std::string prefix = descriptionPath + ": ";
  auto fail = [&](const std::string& message) {
    *error = prefix + message;
    return false;
  };

  const std::string trap = FindReaderTrap(text);
  if (!trap.empty()) {
    *error = descriptionPath + ":" + trap;
    return false;
  }
  toml::parse_result parsed = toml::parse(text, descriptionPath);
  if (!parsed) {
    const toml::parse_error& parseError = parsed.error();
    *error = descriptionPath + ":" + std::to_string(parseError.source().begin.line) + ":" +
             std::to_string(parseError.source().begin.column) + ": " +
             std::string(parseError.description());
    for (char& c : *error) c = c == '\n' ? ' ' : c;  // keep the report on one line
    return false;
  }
  const toml::table& table = parsed.table();

  for (auto&& [key, node] : table) {
    bool known = false;
    for (const char* name : kKeys) known = known || key.str() == name;
    if (!known) {
      return fail("unknown key " + QuoteForMessage(key.str()) + " at line " +
                  std::to_string(key.source().begin.line) + " (expected groupName, appTitle, " +
                  "iniFileName, offerStartupGroup, startupPrompt, mainExecutable, files)");
    }
  }
  for (const char* name : kKeys) {
    if (!table.contains(name)) return fail(std::string("missing key \"") + name + "\"");
  }

  // The five texts, each converted to the installer's code page.
  struct TextSetting {
    const char* key;
    std::string* value;
  } const texts[] = {{"groupName", &product->groupName},         {"appTitle", &product->appTitle},
               {"iniFileName", &product->iniFileName},     {"startupPrompt", &product->startupPrompt},
               {"mainExecutable", &product->mainExecutable}};
  std::map<std::string, std::string> asWritten;  // UTF-8 originals, for messages
  for (const TextSetting& setting : texts) {
    const toml::node& node = *table.get(setting.key);
    if (!node.is_string()) {
      return fail(std::string(setting.key) + ": expected a string at line " +
                  std::to_string(node.source().begin.line));
    }
    asWritten[setting.key] = node.as_string()->get();
    const std::string problem = ToAnsi(asWritten[setting.key], setting.value);
    if (!problem.empty()) return fail(std::string(setting.key) + ": " + problem);
  }

  const toml::node& offer = *table.get("offerStartupGroup");
  if (offer.is_boolean()) {
    product->offerStartupGroup = offer.as_boolean()->get() ? 1 : 0;
  } else if (offer.is_integer()) {
    const int64_t value = offer.as_integer()->get();
    if (value < INT32_MIN || value > INT32_MAX) {
      return fail("offerStartupGroup: " + std::to_string(value) + " does not fit in 32 bits");
    }
    product->offerStartupGroup = (int32_t)value;
  } else {
    return fail("offerStartupGroup: expected a boolean or an integer at line " +
                std::to_string(offer.source().begin.line));
  }

  // groupName names a folder under C:\Program Files and, like appTitle, appears unquoted in
  // Program Manager commands.
  std::string problem = BareNameProblem(product->groupName);
  if (product->groupName.empty()) problem = "empty";
  if (!problem.empty()) return fail("groupName " + QuoteForMessage(asWritten["groupName"]) + ": " + problem);
  if (product->groupName.size() > kMaxTitleBytes) return fail("groupName: longer than 200 bytes");
  for (unsigned char c : product->groupName) {
    if (BreaksProgmanCommand(c)) {
      return fail("groupName " + QuoteForMessage(asWritten["groupName"]) + ": " + Describe((char)c) +
                  ", which breaks the Program Manager command it appears in");
    }
  }

  if (product->appTitle.empty()) return fail("appTitle: empty");
  if (product->appTitle.size() > kMaxTitleBytes) return fail("appTitle: longer than 200 bytes");
  for (unsigned char c : product->appTitle) {
    if (c < 0x20) return fail("appTitle: contains a control character");
    if (BreaksProgmanCommand(c)) {
      return fail("appTitle " + QuoteForMessage(asWritten["appTitle"]) + ": " + Describe((char)c) +
                  ", which breaks the Program Manager command it appears in");
    }
  }

  if (product->iniFileName.empty()) return fail("iniFileName: empty");
  problem = BareNameProblem(product->iniFileName);
  if (!problem.empty()) return fail("iniFileName " + QuoteForMessage(asWritten["iniFileName"]) + ": " + problem);

  if (product->mainExecutable.empty()) return fail("mainExecutable: empty");
  problem = BareNameProblem(product->mainExecutable);
  if (!problem.empty()) {
    return fail("mainExecutable " + QuoteForMessage(asWritten["mainExecutable"]) + ": " + problem);
  }

  if (product->startupPrompt.size() > kMaxPromptBytes) return fail("startupPrompt: longer than 1,024 bytes");
  if (product->startupPrompt.find('\0') != std::string::npos) {
    return fail("startupPrompt: contains a NUL character");
  }
  if (product->offerStartupGroup != 0 && product->startupPrompt.empty()) {
    return fail("startupPrompt: empty while offerStartupGroup asks for the question");
  }

  // The file list, in installation order.
  const toml::node& filesNode = *table.get("files");
  const toml::array* files = filesNode.as_array();
  if (!files) {
    return fail("files: expected an array at line " + std::to_string(filesNode.source().begin.line));
  }
  if (files->empty()) return fail("files: empty list (the installer needs at least uninst.exe)");
  const std::filesystem::path baseDirectory = std::filesystem::path(descriptionPath).parent_path();
  std::map<std::string, size_t> seen;  // upper-cased name -> index
  for (size_t i = 0; i < files->size(); ++i) {
    const toml::node& entry = *files->get(i);
    const std::string where = "files[" + std::to_string(i) + "]";
    std::string name;
    std::string source;
    if (entry.is_string()) {
      name = source = entry.as_string()->get();
    } else if (const toml::table* fields = entry.as_table()) {
      for (auto&& [key, value] : *fields) {
        if (key.str() != "name" && key.str() != "source") {
          return fail(where + ": unknown key " + QuoteForMessage(key.str()) + " (expected name, source)");
        }
        if (!value.is_string()) return fail(where + "." + std::string(key.str()) + ": expected a string");
      }
      if (!fields->contains("name")) return fail(where + ": missing key \"name\"");
      name = fields->get("name")->as_string()->get();
      source = fields->contains("source") ? fields->get("source")->as_string()->get() : name;
    } else {
      return fail(where + ": expected a file name or a table { name = ..., source = ... }");
    }
    const std::string label = where + " " + QuoteForMessage(name);
    ProductFile file;
    file.displayName = name;
    problem = ToAnsi(name, &file.name);
    if (!problem.empty()) return fail(label + ": " + problem);
    problem = BareNameProblem(file.name);
    if (!problem.empty()) return fail(label + ": " + problem);
    if (source.empty()) return fail(label + ": empty source");
    if (source.find('\0') != std::string::npos) return fail(label + ": source contains a NUL character");
    file.sourcePath = (baseDirectory / source).string();

    const auto [place, inserted] = seen.emplace(UpperCase1252(file.name), i);
    if (!inserted) {
      return fail(label + ": same name as files[" + std::to_string(place->second) + "] " +
                  QuoteForMessage(product->files[place->second].displayName) +
                  " (Windows file names ignore case)");
    }
    product->files.push_back(file);
  }

  if (!seen.count(UpperCase1252(product->mainExecutable))) {
    return fail("mainExecutable " + QuoteForMessage(asWritten["mainExecutable"]) + ": not among the files");
  }
  if (!seen.count("UNINST.EXE")) {
    return fail("files: no \"uninst.exe\" (the installer registers it as the uninstaller)");
  }
  return true;
}
