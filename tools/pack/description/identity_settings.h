// The description's optional settings that name the finished Windows installer: its version
// information, icon and execution level.
#pragma once
#include <stdint.h>

#include <string>

/// The optional settings of a description that name the installer itself, in the order the
/// description's documentation lists them.
extern const char* const kIdentityKeys[7];

/// The installer's identity as the description gives it. Texts are UTF-8 and checked; empty means
/// "not given" except where a default is noted.
struct InstallerIdentity {
  std::string publisher;        // CompanyName
  std::string productName;      // ProductName; default: appTitle
  std::string fileDescription;  // FileDescription; default: "<productName> Setup"
  std::string version;          // FileVersion and ProductVersion as written, such as "2.1"
  uint16_t versionNumbers[4] = {0, 0, 0, 0};  // the same, as the four numbers of the fixed part
  std::string copyright;        // LegalCopyright
  std::string iconPath;         // an .ico file, joined with the description's folder
  std::string executionLevel = "requireAdministrator";  // the manifest's requestedExecutionLevel
};

/// Sets the identity setting `key` (one of kIdentityKeys) from its text `value` in `*identity`;
/// for "icon", `value` is the path as joined with the description's folder. Returns an empty text,
/// or what is wrong with the value (for a message that names the setting): not a version, a
/// control character, too long, an unknown execution level.
std::string SetIdentitySetting(const std::string& key, const std::string& value, InstallerIdentity* identity);

/// Fills in the defaults that depend on the product: productName from `appTitle` (UTF-8) and
/// fileDescription from productName.
void CompleteIdentity(const std::string& appTitle, InstallerIdentity* identity);
