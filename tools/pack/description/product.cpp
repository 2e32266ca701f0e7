// Reading and checking a product description: the installer's settings and its ordered file list.
#include "tools/pack/description/product.h"

#include <ctype.h>
#include <stdio.h>

#include <filesystem>
#include <set>

#include "product/installer_data.h"
#include "product/names.h"
#include "product/own_files.h"
#include "tools/pack/common/file_io.h"
#include "tools/pack/common/unicode_text.h"
#include "tools/pack/description/description_toml.h"
#include "tools/pack/description/file_entries.h"
#include "tools/pack/description/name_messages.h"
#include "tools/pack/description/settings.h"

namespace {

// Where the description's bytes first stop being UTF-8 (a description saved in a Windows code
// page, say): "<line>: <setting>: not valid UTF-8 (...)", naming the setting when the line
// begins with one; empty when the whole text is UTF-8. TOML would refuse it too, but naming
// only a line and column.
std::string Utf8Problem(const std::string& text) {
  size_t lineStart = 0;
  int line = 1;
  int column = 1;  // in characters, as TOML's own messages count
  for (size_t at = 0; at < text.size(); ++column) {
    const unsigned char lead = (unsigned char)text[at];
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (lead < 0x80 || (at + length <= text.size() && IsValidUtf8(text.data() + at, length))) {
      if (lead == '\n') ++line, lineStart = at + 1, column = 0;
      at += length;
      continue;
    }
    // The setting this line gives, when it begins with a key.
    std::string key;
    size_t k = lineStart;
    while (k < text.size() && (text[k] == ' ' || text[k] == '\t')) ++k;
    while (k < text.size() && (isalnum((unsigned char)text[k]) || text[k] == '_')) key += text[k++];
    while (k < text.size() && (text[k] == ' ' || text[k] == '\t')) ++k;
    const bool keyed = !key.empty() && k < text.size() && text[k] == '=';
    char where[96];
    snprintf(where, sizeof where, "byte 0x%02X at column %d", lead, column);
    return std::to_string(line) + ": " + (keyed ? key + ": " : std::string()) + "not valid UTF-8 (" + where +
           "; save the description as UTF-8)";
  }
  return std::string();
}

}  // namespace

bool LoadProduct(const std::string& descriptionPath, Product* product, std::string* error,
                 const std::vector<std::string>& extraTrees) {
  std::string text;
  if (!ReadWholeFile(descriptionPath, &text, error)) return false;
  const std::string notUtf8 = Utf8Problem(text);
  if (!notUtf8.empty()) {
    *error = descriptionPath + ":" + notUtf8;
    return false;
  }
  const std::string prefix = descriptionPath + ": ";
  auto fail = [&](const std::string& message) {
    *error = prefix + message;
    return false;
  };

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
    if (!IsSettingKey(std::string(key.str()))) {
      return fail("unknown key " + QuoteForMessage(key.str()) + " at line " + std::to_string(key.source().begin.line) +
                  " (expected " + ExpectedSettingKeys() + ")");
    }
  }
  if (const char* missing = MissingSettingKey(table, !extraTrees.empty())) {
    return fail(std::string("missing key \"") + missing + "\"");
  }

  const std::string baseDirectory = std::filesystem::path(descriptionPath).parent_path().u8string();
  const std::string problem = ReadSettings(table, baseDirectory, extraTrees, product);
  if (!problem.empty()) return fail(problem);

  std::set<std::string> installed;  // every installed path, upper-cased
  for (const ProductFile& file : product->files) installed.insert(FoldCaseForWindows(file.name));
  if (!installed.count(FoldCaseForWindows(product->mainExecutable))) {
    return fail("mainExecutable " + QuoteForMessage(product->mainExecutable) + ": not among the files");
  }
  // The installer writes these beside the product's files: its record of the installation, the
  // record's replacement while it is written, and the earlier copy of each file it replaces.
  for (const ProductFile& file : product->files) {
    const std::string folded = FoldCaseForWindows(file.name);
    const std::string suffix = FoldCaseForWindows(ReplacedSuffix);
    const bool endsInSuffix =
        folded.size() >= suffix.size() && folded.compare(folded.size() - suffix.size(), suffix.size(), suffix) == 0;
    if (folded == FoldCaseForWindows(InstallRecordName) || folded == FoldCaseForWindows(std::string(InstallRecordName) + InstallRecordNewSuffix) ||
        endsInSuffix) {
      return fail("files: " + QuoteForMessage(file.name) + ": the installer keeps a file of its own by that name (" +
                  InstallRecordName + ", " + InstallRecordName + InstallRecordNewSuffix + " and names ending in " + ReplacedSuffix + ")");
    }
  }
  product->suppliesUninstaller = installed.count("UNINST.EXE") != 0;
  if (!product->suppliesUninstaller && product->files.size() == installer_data::kMaxFiles) {
    return fail("files: 1,048,576 files and the uninst.exe instpack puts in, more than the 1,048,576 an installer "
                "holds");
  }
  return true;
}
