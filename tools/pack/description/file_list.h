// Reading a description's `files` list: its entries, expanded into the product's files.
#pragma once
#include <string>

#include "tools/pack/description/description_toml.h"
#include "tools/pack/description/product.h"

/// Reads the description's `files` value `node` into `product->files` (in installation order)
/// and `product->treeFolders`, a relative source or tree being taken from `baseDirectory`.
/// Returns an empty text, or what is wrong, to follow the description's path in a message:
/// "files: ...", "files[3]: ..." or what the tree walk says of an entry.
std::string ReadFileList(const toml::node& node, const std::string& baseDirectory, Product* product);
