// The generic uninstaller that instpack puts into an installer whose product brings no uninst.exe.
#pragma once
#include <string>
#include <vector>

#include "tools/pack/image/installer_image.h"
#include "tools/pack/image/packer.h"
#include "tools/pack/description/product.h"

/// The name the installer gives its uninstaller, and registers in the program group.
extern const char kUninstallerName[];

/// Writes to `path` (a file that must not exist yet) the generic uninstaller for `product`: the
/// prebuilt uninstaller program of `target` at `programPath`, filled in with the product's
/// settings and the names of all its files, the uninstaller's own among them, and no pieces; a
/// Windows program also gets `resources` and the load configuration, as the installer does
/// (PrepareWindowsImage). The bytes depend on nothing but the program, the product and the
/// resources. Returns false with a one-line `*error` naming the file at fault.
bool WriteUninstaller(const Product& product, InstallerTarget target, const std::string& programPath,
                      const std::vector<Resource>& resources, const std::string& path, std::string* error);

/// For a description with no uninst.exe (`product->suppliesUninstaller` false): appends the
/// generic uninstaller to `product->files` as uninst.exe, writes it to `temporary` with
/// WriteUninstaller, with `resources` (after the file is added, so that it names itself among the
/// files), and
/// appends it to `sources`, measured. Returns false with a one-line `*error` that begins with
/// `descriptionPath`, says why the uninstaller program is needed and names the file at fault.
bool AddUninstaller(const std::string& descriptionPath, InstallerTarget target, const std::string& programPath,
                    const std::vector<Resource>& resources, const std::string& temporary, Product* product, std::vector<PackSource>* sources,
                    std::string* error);
