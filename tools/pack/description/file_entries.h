// The description's file entries made into the installer's file list: single files at a path,
// and whole folder trees walked in a fixed order with patterns that leave files out.
#pragma once
#include <string>
#include <vector>

/// One payload file: its installed path and where its bytes come from on this machine.
struct ProductFile {
  std::string name;         // installed path below the data directory, names separated by '\' (UTF-8)
  std::string sourcePath;   // the description's directory joined with the source, as given
};

/// One entry of the description's `files` list, as written. A file entry has `name` (and
/// `source`, the same as `name` when the description gives none); a tree entry has `tree`, and
/// optionally `into` and `exclude`.
struct FileEntry {
  std::string where;   // "files[3]", for messages
  std::string name;    // the installed path, folders separated by '/' or '\'
  std::string source;  // the file's source, relative to the description's folder
  std::string tree;    // the folder whose files are packed, relative to the description's folder
  std::string into;    // the folder below the data directory they go into ("" for the directory itself)
  std::vector<std::string> exclude;  // patterns of files and folders left out
};

/// True when the path `relative` below a tree's root ('/' between its names), a folder when
/// `isFolder`, is left out by the `exclude` pattern `pattern`: a pattern without '/' matches a
/// file's name in any folder; one ending in '/' matches a folder (and so everything in it), by
/// its name in any folder when it has no other '/', else by its path from the root; any other
/// pattern with '/' matches a file by its path from the root (a leading '/' says the same). '*'
/// stands for any run of characters but '/', '?' for one character; letters match either case,
/// as Windows names do.
bool ExcludeMatches(const std::string& pattern, const std::string& relative, bool isFolder);

/// Expands `entries` in order into `*files` (appended): a file entry is one file; a tree entry is
/// every file below its folder that no pattern excludes, each at `into` joined with its path
/// from the folder, in the order of a walk that takes each folder's entries by the byte order
/// of their names (UTF-8), files and folders alike, and goes into each folder where its name
/// comes. Symbolic links are followed: a link to a file is packed as that file, a link to a
/// folder is walked as one; a link that leads back into a folder being walked is refused as a
/// loop, as is a broken link. Installed paths are stored with '\' and must pass
/// PayloadPathProblem; no two files may have one path, nor a file the path of another's folder,
/// ignoring case as Windows does. `baseDirectory` is the description's folder. Every folder a
/// tree walk lists is appended to `*treeFolders` (a file added to one changes its time). Returns
/// an empty text on success, else one line that begins with the entry at fault.
std::string ExpandFileEntries(const std::vector<FileEntry>& entries, const std::string& baseDirectory,
                              std::vector<ProductFile>* files, std::vector<std::string>* treeFolders);

/// `path` with every '/' made '\', as the installer's table stores it.
std::string InstalledPathForm(std::string path);
