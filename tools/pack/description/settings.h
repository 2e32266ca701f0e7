// The settings of a description, as one table: each key, whether it is required, how it is read
// and which rule checks it.
#pragma once
#include <string>
#include <vector>

#include "tools/pack/description/description_toml.h"
#include "tools/pack/description/product.h"

/// Whether `key` names a setting of a description (`files` included).
bool IsSettingKey(const std::string& key);

/// The keys a description takes, for a message: "groupName, ..., files, and optionally
/// publisher, ...".
std::string ExpectedSettingKeys();

/// The first required key that `table` lacks, or null when it has them all; `files` is not
/// required when `filesOptional` (the command line names a tree).
const char* MissingSettingKey(const toml::table& table, bool filesOptional);

/// Reads every setting of `table` into `*product`, in the table's order, the file list through
/// ReadFileList with `extraTrees` after it; a relative source, tree or icon is taken from
/// `baseDirectory`. Fills in what a setting left out defaults to (productId, the identity's
/// names). Returns an empty text, or what is wrong, naming the setting ("appTitle \"...\": ...").
std::string ReadSettings(const toml::table& table, const std::string& baseDirectory,
                         const std::vector<std::string>& extraTrees, Product* product);
