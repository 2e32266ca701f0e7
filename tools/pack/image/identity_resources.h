// The resources that give the finished Windows installer its identity: version information,
// manifest and icon, made from the description's identity settings.
#pragma once
#include <string>
#include <vector>

#include "tools/pack/description/identity_settings.h"
#include "tools/pack/image/image_resources.h"

/// The resources that give a Windows installer `identity`: its version information, its manifest
/// (supported Windows versions, DPI awareness, visual style, execution level) and, when an icon is
/// given, the icon's images and their group; the same for the 32-bit and the 64-bit program.
/// Returns false with `*problem` naming the icon file when it cannot be read or is not an icon.
bool IdentityResources(const InstallerIdentity& identity, std::vector<Resource>* resources, std::string* problem);
