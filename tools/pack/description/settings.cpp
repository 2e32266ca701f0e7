// The settings of a description, as one table: each key, whether it is required, how it is read
// and which rule checks it.
#include "tools/pack/description/settings.h"

#include <stdio.h>
#include <string.h>

#include <filesystem>

#include "product/names.h"
#include "tools/pack/description/file_entries.h"
#include "tools/pack/description/file_list.h"
#include "tools/pack/description/identity_settings.h"
#include "tools/pack/description/name_messages.h"

namespace {

// Web addresses are shown and followed as they are; a few thousand characters is more than any.
const size_t kMaxAddressBytes = 2048;

// What is wrong with `address` as the web address of an entry's setting, or an empty text.
std::string AddressProblem(const std::string& address) {
  if (address.compare(0, 7, "http://") != 0 && address.compare(0, 8, "https://") != 0) {
    return "not a web address (one that begins with https:// or http://)";
  }
  if (address.size() > kMaxAddressBytes) return "longer than 2,048 bytes";
  for (unsigned char c : address) {
    if (c <= 0x20 || c == 0x7F) return "contains a space or a control character (write it as %20 and the like)";
  }
  return std::string();
}

// Characters of UTF-8 `text`, counted as the manifest's schema counts them.
size_t CharacterCount(const std::string& text) {
  size_t count = 0;
  for (unsigned char c : text) count += (c & 0xC0) != 0x80;
  return count;
}

// A package identifier as the package manager takes it: two to eight parts of 1 to 32 characters,
// dots between, none of them white space, a control character or one of \ / : * ? " < > |.
std::string PackageIdentifierProblem(const std::string& id) {
  std::string shape =
      "not a package identifier (two to eight parts of at most 32 characters with dots between, such as "
      "Velbrook.Tovalin, without spaces or \\ / : * ? \" < > |)";
  if (id.size() > 128) return "longer than 128 bytes";
  size_t parts = 1, partLength = 0;
  for (size_t i = 0; i < id.size(); ++i) {
    const unsigned char c = (unsigned char)id[i];
    if (c == '.') {
      if (partLength == 0) return shape;
      ++parts, partLength = 0;
      continue;
    }
    if (c <= 0x20 || c == 0x7F || strchr("\\/:*?\"<>|", c) != nullptr) return shape;
    if ((c & 0xC0) != 0x80 && ++partLength > 32) return shape;
  }
  if (partLength == 0 || parts < 2 || parts > 8) return shape;
  return std::string();
}

// A text of the manifest's listing: 3 to `maxCharacters` characters, on one line.
std::string ListingTextProblem(const std::string& text, size_t maxCharacters) {
  const size_t count = CharacterCount(text);
  if (count < 3) return "shorter than 3 characters";
  if (count > maxCharacters) return "longer than " + std::to_string(maxCharacters) + " characters";
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) return "contains a control character";
  }
  return std::string();
}

bool IsProductIdCharacter(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
         c == '_';
}

// The key name of a product whose description gives none, made from its groupName: the ASCII
// letters, digits, '.', '-' and '_' stay, every run of other characters becomes one '_'
// (dropped at either end). When anything was replaced, '-' and eight hex digits of a hash
// (FNV-1a, 32 bits) of the whole groupName follow, so that two names that differ only in the
// replaced characters ("Tovalin Beta", "Tovalin-Beta"; two names in another script) still get
// two keys; a name with nothing left is "product" before the hash. A name too long for a key is
// cut before the hash, which is then added too.
std::string DefaultProductId(const std::string& groupName) {
  std::string id;
  bool replaced = false;
  for (unsigned char c : groupName) {
    if (IsProductIdCharacter(c)) {
      id += (char)c;
    } else {
      if (!id.empty() && id.back() != '_') id += '_';
      replaced = true;
    }
  }
  if (!replaced && id.size() <= kMaxProductIdBytes) return id;
  while (!id.empty() && id.back() == '_') id.pop_back();
  if (id.empty()) id = "product";
  uint32_t hash = 2166136261u;
  for (unsigned char c : groupName) hash = (hash ^ c) * 16777619u;
  char suffix[16];
  snprintf(suffix, sizeof suffix, "-%08x", (unsigned)hash);
  id += suffix;
  if (id.size() > kMaxProductIdBytes) id.erase(kMaxProductIdBytes - 9, id.size() - kMaxProductIdBytes);
  return id;
}

// What the rule of product/names.h says of `text`, which TOML lets hold a NUL the rule cannot
// see; empty when nothing is wrong.
std::string NameProblemText(NameProblem (*rule)(const char*), const std::string& text) {
  if (text.find('\0') != std::string::npos) return "contains a control character";
  return DescribeNameProblem(rule(text.c_str()));
}

// The rule of product/names.h for one kind of name, as a setting's check.
template <NameProblem (*rule)(const char*)>
std::string NameRule(const std::string& text) {
  return NameProblemText(rule, text);
}

std::string PromptProblem(const std::string& prompt) {
  if (prompt.size() > kMaxPromptBytes) return "longer than 1,024 bytes";
  if (prompt.find('\0') != std::string::npos) return "contains a NUL character";
  return std::string();
}

std::string LicenseProblem(const std::string& text) { return ListingTextProblem(text, 512); }
std::string ShortDescriptionProblem(const std::string& text) { return ListingTextProblem(text, 256); }

enum class Kind {
  kText,      // a string into `text`, checked by `problem`
  kSwitch,    // offerStartupGroup: a boolean or a 32-bit integer
  kIdentity,  // a string for the installer's identity (identity_settings.h)
  kFiles,     // the file list (file_list.h)
};

struct Setting {
  const char* key;
  std::string Product::*text;
  std::string (*problem)(const std::string& value);
  Kind kind;
  bool required;
  // Whether a message quotes the value (not for a text that may be a kilobyte long).
  bool quoted;
};

// Every setting, in the order the description's documentation lists them. groupName names a
// folder under C:\Program Files and, like appTitle, appears unquoted in Program Manager
// commands; the profile and the main program are files of their own names. The installer's
// reader applies the same rules (product/names.h).
const Setting kSettings[] = {
    {"groupName", &Product::groupName, NameRule<GroupNameProblem>, Kind::kText, true, true},
    {"appTitle", &Product::appTitle, NameRule<TitleProblem>, Kind::kText, true, true},
    {"iniFileName", &Product::iniFileName, NameRule<FileNameProblem>, Kind::kText, true, true},
    {"offerStartupGroup", nullptr, nullptr, Kind::kSwitch, true, false},
    {"startupPrompt", &Product::startupPrompt, PromptProblem, Kind::kText, true, false},
    {"mainExecutable", &Product::mainExecutable, NameRule<MainExecutableProblem>, Kind::kText, true, true},
    {"files", nullptr, nullptr, Kind::kFiles, true, false},
    {"publisher", nullptr, nullptr, Kind::kIdentity, false, true},
    {"productName", nullptr, nullptr, Kind::kIdentity, false, true},
    {"fileDescription", nullptr, nullptr, Kind::kIdentity, false, true},
    {"version", nullptr, nullptr, Kind::kIdentity, false, true},
    {"copyright", nullptr, nullptr, Kind::kIdentity, false, true},
    {"icon", nullptr, nullptr, Kind::kIdentity, false, true},
    {"executionLevel", nullptr, nullptr, Kind::kIdentity, false, true},
    // The product's entry among the installed programs, and what a package manager's manifest
    // takes, in the bounds its schema sets.
    {"productId", &Product::productId, NameRule<ProductIdProblem>, Kind::kText, false, true},
    {"urlInfoAbout", &Product::urlInfoAbout, AddressProblem, Kind::kText, false, true},
    {"helpLink", &Product::helpLink, AddressProblem, Kind::kText, false, true},
    {"packageIdentifier", &Product::packageIdentifier, PackageIdentifierProblem, Kind::kText, false, true},
    {"license", &Product::license, LicenseProblem, Kind::kText, false, true},
    {"shortDescription", &Product::shortDescription, ShortDescriptionProblem, Kind::kText, false, true},
    {"installerUrl", &Product::installerUrl, AddressProblem, Kind::kText, false, true},
};

std::string ExpectedString(const char* key, const toml::node& node) {
  return std::string(key) + ": expected a string at line " + std::to_string(node.source().begin.line);
}

// Reads one setting, `present` when the description gives it (the file list also takes the
// command line's trees, and may then be absent); returns what is wrong with it, or an empty text.
std::string ReadSetting(const Setting& setting, const toml::node* present, const std::string& baseDirectory,
                        const std::vector<std::string>& extraTrees, Product* product) {
  if (setting.kind == Kind::kFiles) return ReadFileList(present, baseDirectory, extraTrees, product);
  if (present == nullptr) return std::string();
  const toml::node& node = *present;
  const std::string key = setting.key;
  switch (setting.kind) {
    case Kind::kFiles:
      break;  // read above
    case Kind::kSwitch:
      if (node.is_boolean()) {
        product->offerStartupGroup = node.as_boolean()->get() ? 1 : 0;
      } else if (node.is_integer()) {
        const int64_t value = node.as_integer()->get();
        if (value < INT32_MIN || value > INT32_MAX) return key + ": " + std::to_string(value) + " does not fit in 32 bits";
        product->offerStartupGroup = (int32_t)value;
      } else {
        return key + ": expected a boolean or an integer at line " + std::to_string(node.source().begin.line);
      }
      return std::string();
    case Kind::kIdentity: {
      if (!node.is_string()) return ExpectedString(setting.key, node);
      std::string value = node.as_string()->get();
      // The icon is found like the sources.
      if (key == "icon") {
        if (value.empty() || value.find('\0') != std::string::npos) return "icon: not a file name";
        // The tool's file functions take the system's narrow form of a path.
        value = (std::filesystem::u8path(baseDirectory) / std::filesystem::u8path(value)).string();
      }
      std::string problem = SetIdentitySetting(key, value, &product->identity);
      return problem.empty() ? problem : key + " " + QuoteForMessage(node.as_string()->get()) + ": " + problem;
    }
    case Kind::kText: {
      if (!node.is_string()) return ExpectedString(setting.key, node);
      std::string& value = product->*setting.text;
      value = node.as_string()->get();
      // mainExecutable may be a path below the data directory, written with '/' or '\'.
      if (key == "mainExecutable") value = InstalledPathForm(value);
      std::string problem = setting.problem(value);
      if (problem.empty()) return problem;
      return key + (setting.quoted ? " " + QuoteForMessage(value) : std::string()) + ": " + problem;
    }
  }
  return std::string();
}

}  // namespace

bool IsSettingKey(const std::string& key) {
  for (const Setting& setting : kSettings) {
    if (key == setting.key) return true;
  }
  return false;
}

std::string ExpectedSettingKeys() {
  std::string required, optional;
  for (const Setting& setting : kSettings) {
    std::string& list = setting.required ? required : optional;
    list += (list.empty() ? "" : ", ") + std::string(setting.key);
  }
  return required + ", and optionally " + optional;
}

const char* MissingSettingKey(const toml::table& table, bool filesOptional) {
  for (const Setting& setting : kSettings) {
    if (setting.kind == Kind::kFiles && filesOptional) continue;
    if (setting.required && !table.contains(setting.key)) return setting.key;
  }
  return nullptr;
}

std::string ReadSettings(const toml::table& table, const std::string& baseDirectory,
                         const std::vector<std::string>& extraTrees, Product* product) {
  for (const Setting& setting : kSettings) {
    std::string problem = ReadSetting(setting, table.get(setting.key), baseDirectory, extraTrees, product);
    if (!problem.empty()) return problem;
  }
  if (product->offerStartupGroup != 0 && product->startupPrompt.empty()) {
    return "startupPrompt: empty while offerStartupGroup asks for the question";
  }
  if (!table.contains("productId")) product->productId = DefaultProductId(product->groupName);
  CompleteIdentity(product->appTitle, &product->identity);
  return std::string();
}
