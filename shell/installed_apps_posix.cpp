// The console edition's stand-in for the Installed-apps entries: a section per entry, named
// "<HKLM or HKCU>\<key name>", in the profile file installed-apps.ini of its profile folder, one
// key per value. Only POSIX calls belong here.
#include <stdio.h>

#include <string>

#include "platform/profile.h"
#include "shell/installed_apps.h"

namespace {

const char kFile[] = "installed-apps.ini";
const char* const kTexts[] = {"DisplayName",          "DisplayVersion", "Publisher",    "InstallLocation",
                              "UninstallString",      "QuietUninstallString", "DisplayIcon", "URLInfoAbout",
                              "HelpLink"};
const char* const kNumbers[] = {"EstimatedSize", "NoModify", "NoRepair"};

std::string Section(const char* keyName, bool forAllUsers) {
  return std::string(forAllUsers ? "HKLM\\" : "HKCU\\") + keyName;
}

}  // namespace

bool WriteInstalledAppsEntry(const char* keyName, bool forAllUsers, const InstalledAppsEntry& entry) {
  DeleteInstalledAppsEntry(keyName, forAllUsers);
  const std::string section = Section(keyName, forAllUsers);
  const char* const texts[] = {entry.displayName,     entry.displayVersion,       entry.publisher,
                               entry.installLocation, entry.uninstallString,      entry.quietUninstallString,
                               entry.displayIcon,     entry.urlInfoAbout,         entry.helpLink};
  bool written = true;
  for (size_t i = 0; i < sizeof texts / sizeof texts[0]; ++i) {
    if (texts[i] != nullptr && texts[i][0] != '\0') {
      written = WriteProfileText(kFile, section.c_str(), kTexts[i], texts[i]) && written;
    }
  }
  char size[16];
  snprintf(size, sizeof size, "%u", static_cast<unsigned>(entry.estimatedSizeKiB));
  const char* const numbers[] = {size, "1", "1"};
  for (size_t i = 0; i < 3; ++i) written = WriteProfileText(kFile, section.c_str(), kNumbers[i], numbers[i]) && written;
  return written;
}

void DeleteInstalledAppsEntry(const char* keyName, bool forAllUsers) {
  const std::string section = Section(keyName, forAllUsers);
  for (const char* name : kTexts) WriteProfileText(kFile, section.c_str(), name, nullptr);
  for (const char* name : kNumbers) WriteProfileText(kFile, section.c_str(), name, nullptr);
}
