// The Windows Package Manager's manifests of a finished installer: the version, default-locale and
// installer manifests that describe it, its silent switches, exit statuses and Installed-apps entry.
#pragma once
#include <string>
#include <vector>

#include "tools/pack/image/installer_image.h"
#include "tools/pack/description/product.h"

/// The manifest schema the files follow.
extern const char kWingetManifestVersion[];

/// What a manifest of `product` needs that its description does not give, one line for each
/// setting missing ("<setting>: missing (...what it is for)"); empty when nothing is missing.
std::vector<std::string> WingetManifestMissing(const Product& product);

/// Writes <packageIdentifier>.yaml, <packageIdentifier>.installer.yaml and
/// <packageIdentifier>.locale.en-US.yaml into `directory` (made when missing, one level) for the
/// installer of `target` (win32 or win64) whose SHA-256 is `installerSha256`; `product` lacks none
/// of what WingetManifestMissing asks for. Each file is written under a temporary name and renamed
/// into place. Returns false with a one-line `*error` naming the file or folder at fault.
bool WriteWingetManifests(const Product& product, InstallerTarget target, const std::string& installerSha256,
                          const std::string& directory, std::string* error);
