// The description's file entries made into the installer's file list: single files at a path,
// and whole folder trees walked in a fixed order with patterns that leave files out.
#include "tools/pack/description/file_entries.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>

#include "tools/pack/description/name_messages.h"
#include "product/installer_data.h"
#include "product/names.h"
#include "tools/pack/common/unicode_text.h"

namespace fs = std::filesystem;

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The length of the UTF-8 character that begins with `lead` (1 for a stray byte).
size_t CharacterLength(unsigned char lead) { return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1; }

// True when `text` matches the glob `pattern`, where '*' is any run of characters but '/' and
// '?' one character but '/'; ASCII letters match either case.
bool GlobMatches(const char* pattern, const char* text) {
  // The classic two-pointer walk: on a mismatch, go back to the last '*' and let it take one
  // more character.
  const char* starPattern = nullptr;
  const char* starText = nullptr;
  while (*text != '\0') {
    if (*pattern == '*') {
      starPattern = ++pattern;
      starText = text;
    } else if (*pattern == '?' && *text != '/') {
      ++pattern;
      text += CharacterLength(static_cast<unsigned char>(*text));
    } else if (*pattern != '\0' && *pattern != '?' && LowerAscii(*pattern) == LowerAscii(*text)) {
      ++pattern;
      ++text;
    } else if (starPattern != nullptr && *starText != '/') {
      pattern = starPattern;
      text = ++starText;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

std::string LastName(const std::string& relative) {
  const size_t slash = relative.rfind('/');
  return slash == std::string::npos ? relative : relative.substr(slash + 1);
}

std::string Quote(const std::string& text) { return QuoteForMessage(text); }

// The walk of one tree entry.
struct TreeWalk {
  const FileEntry* entry;
  std::string intoPrefix;  // the installed form of `into`, with a '\' after it, or empty
  std::vector<ProductFile>* files;
  std::vector<std::string>* folders;
  std::vector<fs::path> ancestors;  // the folders being walked, each as its canonical path
  std::string error;
};

// Walks the folder `folder`, whose path from the tree's root is `relative` ("" for the root).
bool WalkFolder(TreeWalk& walk, const fs::path& folder, const std::string& relative) {
  std::error_code failure;
  const fs::path canonical = fs::canonical(folder, failure);
  if (failure) {
    walk.error = Quote(folder.u8string()) + ": " + failure.message();
    return false;
  }
  for (const fs::path& ancestor : walk.ancestors) {
    if (ancestor == canonical) {
      walk.error = Quote(folder.u8string()) + ": a symbolic link that leads back into " + Quote(ancestor.u8string()) +
                   ", which the walk is in (a loop)";
      return false;
    }
  }
  walk.ancestors.push_back(canonical);
  walk.folders->push_back(folder.u8string());

  std::vector<std::pair<std::string, fs::path>> children;
  for (fs::directory_iterator it(folder, failure), end; !failure && it != end; it.increment(failure)) {
    children.emplace_back(it->path().filename().u8string(), it->path());
  }
  if (failure) {
    walk.error = Quote(folder.u8string()) + ": " + failure.message();
    return false;
  }
  std::sort(children.begin(), children.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });  // bytes of UTF-8

  for (const auto& [name, path] : children) {
    const std::string childRelative = relative.empty() ? name : relative + "/" + name;
    const fs::file_status status = fs::status(path, failure);  // follows links
    if (failure || status.type() == fs::file_type::not_found) {
      walk.error = Quote(path.u8string()) + ": " + (fs::is_symlink(fs::symlink_status(path, failure))
                                                        ? std::string("a symbolic link to nothing")
                                                        : failure.message());
      return false;
    }
    const bool isFolder = status.type() == fs::file_type::directory;
    bool excluded = false;
    for (const std::string& pattern : walk.entry->exclude) {
      excluded = excluded || ExcludeMatches(pattern, childRelative, isFolder);
    }
    if (excluded) continue;
    if (isFolder) {
      if (!WalkFolder(walk, path, childRelative)) return false;
      continue;
    }
    ProductFile file;
    file.name = walk.intoPrefix + InstalledPathForm(childRelative);
    file.sourcePath = path.u8string();
    walk.files->push_back(file);
  }
  walk.ancestors.pop_back();
  return true;
}

// Every folder above the file at installed path `path` (folded), as "A", "A\B", ...
std::vector<std::string> FoldersOf(const std::string& folded) {
  std::vector<std::string> folders;
  for (size_t at = folded.find('\\'); at != std::string::npos; at = folded.find('\\', at + 1)) {
    folders.push_back(folded.substr(0, at));
  }
  return folders;
}

}  // namespace

std::string InstalledPathForm(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

bool ExcludeMatches(const std::string& pattern, const std::string& relative, bool isFolder) {
  std::string body = pattern;
  const bool folderPattern = !body.empty() && body.back() == '/';
  if (folderPattern) body.pop_back();
  if (folderPattern != isFolder || body.empty()) return false;
  const bool fromRoot = body.find('/') != std::string::npos;
  if (!fromRoot) return GlobMatches(body.c_str(), LastName(relative).c_str());
  if (body[0] == '/') body.erase(0, 1);
  return GlobMatches(body.c_str(), relative.c_str());
}

std::string ExpandFileEntries(const std::vector<FileEntry>& entries, const std::string& baseDirectory,
                              std::vector<ProductFile>* files, std::vector<std::string>* treeFolders) {
  const fs::path base = fs::u8path(baseDirectory);
  // Each installed path (folded as Windows compares names) and each folder above one, with the
  // entry that brought it, for the messages.
  std::map<std::string, size_t> paths;    // -> the file's index
  std::map<std::string, size_t> folders;  // -> the index of the first file in it
  std::vector<size_t> fileEntry;          // the entry of each file from `first` on
  const size_t firstOfAll = files->size();
  for (const FileEntry& entry : entries) {
    const size_t first = files->size();
    std::string label;
    if (entry.tree.empty()) {
      label = entry.where + " " + Quote(entry.name);
      ProductFile file;
      file.name = InstalledPathForm(entry.name);
      const std::string problem = entry.name.find('\0') != std::string::npos
                                      ? "contains a control character"
                                      : DescribeNameProblem(PayloadPathProblem(file.name.c_str()));
      if (!problem.empty()) return label + ": " + problem;
      if (entry.source.empty()) return label + ": empty source";
      if (entry.source.find('\0') != std::string::npos) return label + ": source contains a NUL character";
      file.sourcePath = (base / fs::u8path(entry.source)).u8string();
      files->push_back(file);
    } else {
      label = entry.where + " (tree " + Quote(entry.tree) + ")";
      if (entry.tree.find('\0') != std::string::npos) return label + ": contains a NUL character";
      TreeWalk walk{&entry, "", files, treeFolders, {}, ""};
      if (!entry.into.empty()) {
        const std::string into = InstalledPathForm(entry.into);
        const std::string problem = entry.into.find('\0') != std::string::npos
                                        ? "contains a control character"
                                        : DescribeNameProblem(PayloadPathProblem(into.c_str()));
        if (!problem.empty()) return label + ": into " + Quote(entry.into) + ": " + problem;
        walk.intoPrefix = into + "\\";
      }
      const fs::path root = base / fs::u8path(entry.tree);
      std::error_code failure;
      if (!fs::is_directory(root, failure)) return label + ": " + Quote(root.u8string()) + " is not a folder";
      if (!WalkFolder(walk, root, "")) return label + ": " + walk.error;
      if (files->size() == first) return label + ": no file to pack (the folder is empty, or every file is excluded)";
      if (files->size() > installer_data::kMaxFiles) break;  // the caller refuses the count
      for (size_t i = first; i < files->size(); ++i) {
        const ProductFile& file = (*files)[i];
        const std::string problem = DescribeNameProblem(PayloadPathProblem(file.name.c_str()));
        if (!problem.empty()) return label + ": " + Quote(file.sourcePath) + " would be installed as " + Quote(file.name) + ": " + problem;
      }
    }
    // No two files at one path, and no file where another's folder is. The earlier file is
    // named by its entry and its installed path.
    auto earlier = [&](size_t file) {
      return entries[fileEntry[file - firstOfAll]].where + " " + Quote((*files)[file].name);
    };
    for (size_t i = first; i < files->size(); ++i) {
      fileEntry.push_back(static_cast<size_t>(&entry - entries.data()));
      const std::string folded = FoldCaseForWindows((*files)[i].name);
      const std::string name = entry.tree.empty() ? std::string() : Quote((*files)[i].name) + ": ";
      if (const auto same = paths.find(folded); same != paths.end()) {
        return label + ": " + name + "same name as " + earlier(same->second) + " (Windows file names ignore case)";
      }
      if (const auto folder = folders.find(folded); folder != folders.end()) {
        return label + ": " + name + "the name of a folder of " + earlier(folder->second);
      }
      for (const std::string& above : FoldersOf(folded)) {
        if (const auto file = paths.find(above); file != paths.end()) {
          return label + ": " + name + "in a folder of the name of " + earlier(file->second);
        }
      }
      paths.emplace(folded, i);
      for (const std::string& above : FoldersOf(folded)) folders.emplace(above, i);
    }
  }
  return std::string();
}
