// Reading a description's `files` list: its entries, expanded into the product's files.
#include "tools/pack/description/file_list.h"

#include <filesystem>
#include <vector>

#include "product/installer_data.h"
#include "tools/pack/description/file_entries.h"
#include "tools/pack/description/name_messages.h"

namespace {

// Reads one element of the `files` list into `*entry`: a string (a file of that name, its own
// source), a table { name, source } or a table { tree, into, exclude }. Returns what is wrong
// with it, to follow the entry's place ("files[3]"), or an empty text.
std::string ReadFileEntry(const toml::node& node, FileEntry* entry) {
  if (node.is_string()) {
    entry->name = entry->source = node.as_string()->get();
    return std::string();
  }
  const toml::table* fields = node.as_table();
  if (fields == nullptr) {
    return ": expected a file name, a table { name = ..., source = ... } or a table { tree = ..., into = ..., "
           "exclude = [...] }";
  }
  const bool tree = fields->contains("tree");
  for (auto&& [key, value] : *fields) {
    const std::string name(key.str());
    const bool known = tree ? name == "tree" || name == "into" || name == "exclude" : name == "name" || name == "source";
    if (!known) {
      return ": unknown key " + QuoteForMessage(name) + (tree ? " (expected tree, into, exclude)" : " (expected name, source)");
    }
    if (name == "exclude") {
      const toml::array* patterns = value.as_array();
      if (patterns == nullptr) return ".exclude: expected an array of patterns";
      for (const toml::node& pattern : *patterns) {
        if (!pattern.is_string()) return ".exclude: expected an array of patterns";
        entry->exclude.push_back(pattern.as_string()->get());
        if (entry->exclude.back().empty()) return ".exclude: an empty pattern";
      }
    } else if (!value.is_string()) {
      return "." + name + ": expected a string";
    }
  }
  if (tree) {
    entry->tree = fields->get("tree")->as_string()->get();
    if (entry->tree.empty()) return ".tree: empty (\".\" is the description's own folder)";
    if (const toml::node* into = fields->get("into")) entry->into = into->as_string()->get();
    return std::string();
  }
  if (!fields->contains("name")) return ": missing key \"name\"";
  entry->name = fields->get("name")->as_string()->get();
  entry->source = fields->contains("source") ? fields->get("source")->as_string()->get() : entry->name;
  return std::string();
}

}  // namespace

std::string ReadFileList(const toml::node* node, const std::string& baseDirectory,
                         const std::vector<std::string>& extraTrees, Product* product) {
  const toml::array* files = node == nullptr ? nullptr : node->as_array();
  if (node != nullptr && files == nullptr) {
    return "files: expected an array at line " + std::to_string(node->source().begin.line);
  }
  if ((files == nullptr || files->empty()) && extraTrees.empty()) {
    return "files: empty list (the installer needs at least its main program)";
  }
  // The installer's reader takes no more (product/installer_data.h); packed anyway, the
  // installer would only ever say it is damaged.
  const std::string tooMany = " files, more than the 1,048,576 an installer holds";
  const size_t listed = files == nullptr ? 0 : files->size();
  if (listed > installer_data::kMaxFiles) return "files: " + std::to_string(listed) + tooMany;
  std::vector<FileEntry> entries;
  for (size_t i = 0; i < listed; ++i) {
    FileEntry entry;
    entry.where = "files[" + std::to_string(i) + "]";
    std::string problem = ReadFileEntry(*files->get(i), &entry);
    if (!problem.empty()) return entry.where + problem;
    entries.push_back(std::move(entry));
  }
  for (const std::string& tree : extraTrees) {
    FileEntry entry;
    entry.where = "--tree";
    // Made absolute here, so that the description's folder does not come in front of it.
    entry.tree = std::filesystem::absolute(std::filesystem::u8path(tree)).u8string();
    entries.push_back(std::move(entry));
  }
  std::string problem = ExpandFileEntries(entries, baseDirectory, &product->files, &product->treeFolders);
  if (!problem.empty()) return problem;
  if (product->files.size() > installer_data::kMaxFiles) return "files: " + std::to_string(product->files.size()) + tooMany;
  return std::string();
}
