// Reading and checking a product description: the installer's settings and its ordered file list.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

#include "tools/pack/description/file_entries.h"
#include "tools/pack/description/identity_settings.h"
#include "product/names.h"

/// Bounds that keep the product inside what the installer can hold (the bounds of names are
/// product/names.h's; of files and pieces, product/installer_data.h's).
enum : uint32_t {
  kMaxPromptBytes = 1024,               // startupPrompt
};
// All compressed pieces together: what one installer file holds, 4 GiB less 8 bytes. A signature
// goes after the data, and the image's directory entry that locates it is a 32-bit file offset,
// on 8 bytes; the installer reads its data by offset, so a 32-bit address space sets no bound.
const uint64_t kMaxPayloadBytes = 4294967288ull;

/// A checked product description. Texts are UTF-8 and satisfy every rule LoadProduct enforces;
/// `files` is in installation order.
struct Product {
  std::string groupName;
  std::string appTitle;
  std::string iniFileName;
  int32_t offerStartupGroup = 0;
  std::string startupPrompt;
  std::string mainExecutable;
  std::vector<ProductFile> files;
  // Every folder a tree entry walked, for the depfile: a file added to one changes its time.
  std::vector<std::string> treeFolders;
  // False when `files` holds no uninst.exe: instpack then adds its generic uninstaller under that
  // name, after every file of the description.
  bool suppliesUninstaller = true;
  InstallerIdentity identity;  // the optional settings of the Windows installer's own identity
  // The product's entry among the installed programs: its key name (the description's, or one
  // made from groupName) and two optional addresses.
  std::string productId;
  std::string urlInfoAbout;
  std::string helpLink;
  // What a package manager's manifest of the installer needs beyond the above, each optional:
  // the package's identifier, its licence, a line on what it is, and where the installer is
  // downloaded from.
  std::string packageIdentifier;
  std::string license;
  std::string shortDescription;
  std::string installerUrl;
  // Bytes of every file once installed: the sources' sizes, the uninstaller instpack puts in
  // among them; set once they are measured.
  uint64_t installedSize = 0;
};

/// Reads the TOML description at `descriptionPath` into `*product` and checks every setting and
/// name (the source files themselves are not opened). Each folder of `extraTrees` (the command
/// line's, relative to the working folder) adds its whole tree after the description's files, as
/// a { tree = ... } entry would; with any, the description may leave out `files`. Returns true on
/// success; on failure returns false with a one-line `*error` that begins with `descriptionPath`
/// and names the setting or file entry at fault.
bool LoadProduct(const std::string& descriptionPath, Product* product, std::string* error,
                 const std::vector<std::string>& extraTrees = {});

