// Reading a description's `files` list: its entries, expanded into the product's files.
#pragma once
#include <string>
#include <vector>

#include "tools/pack/description/description_toml.h"
#include "tools/pack/description/product.h"

/// Reads the description's `files` value `node` (null when the description has none) and then
/// the command line's `extraTrees` (relative to the working folder) into `product->files`, in
/// installation order, and `product->treeFolders`, a relative source or tree of the description
/// being taken from `baseDirectory`. The list may be missing or empty only when `extraTrees`
/// adds files. Returns an empty text, or what is wrong, to follow the description's path in a
/// message: "files: ...", "files[3]: ...", "--tree ..." or what the tree walk says of an entry.
std::string ReadFileList(const toml::node* node, const std::string& baseDirectory,
                         const std::vector<std::string>& extraTrees, Product* product);
