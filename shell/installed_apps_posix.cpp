// The console edition's stand-in for the Installed-apps entries: a section per entry, named
// "<HKLM or HKCU>\<key name>", in the profile file installed-apps.ini of its profile folder, one
// key per value. Only POSIX calls belong here.
#include <stdio.h>
#include <string.h>
#include <strings.h>

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

std::string Read(const std::string& section, const char* name) {
  char text[1200];
  return ReadProfileText(kFile, section.c_str(), name, "", text, sizeof text) ? text : "";
}

enum Owner { OwnerNone, OwnerThisProduct, OwnerOther };

// Who wrote the section of `keyName`, as the Windows edition tells who wrote a key.
Owner EntryOwner(const char* keyName, const std::string& section) {
  const std::string owner = Read(section, INSTALLED_APPS_OWNER_VALUE);
  if (!owner.empty()) return owner == keyName ? OwnerThisProduct : OwnerOther;
  bool present = false;
  for (const char* name : kTexts) present = present || !Read(section, name).empty();
  for (const char* name : kNumbers) present = present || !Read(section, name).empty();
  if (!present) return OwnerNone;
  // The shape of the entries written before the owner value.
  // The profile's reading drops the quotes around a whole value, as Windows' does.
  std::string command = Read(section, "UninstallString");
  if (command.empty() || command[0] != '"') command = '"' + command + '"';
  const char kUninstaller[] = "\\uninst.exe\"";
  const size_t tail = strlen(kUninstaller);
  const bool shaped = command.size() > tail && strcasecmp(command.c_str() + command.size() - tail, kUninstaller) == 0 &&
                      Read(section, "QuietUninstallString") == command + " /S" && Read(section, "NoModify") == "1" &&
                      Read(section, "NoRepair") == "1";
  return shaped ? OwnerThisProduct : OwnerOther;
}

void DeleteSection(const std::string& section) {
  WriteProfileText(kFile, section.c_str(), INSTALLED_APPS_OWNER_VALUE, nullptr);
  for (const char* name : kTexts) WriteProfileText(kFile, section.c_str(), name, nullptr);
  for (const char* name : kNumbers) WriteProfileText(kFile, section.c_str(), name, nullptr);
}

}  // namespace

EntryOutcome WriteInstalledAppsEntry(const char* keyName, bool forAllUsers, const InstalledAppsEntry& entry) {
  const std::string section = Section(keyName, forAllUsers);
  const Owner owner = EntryOwner(keyName, section);
  if (owner == OwnerOther) return EntryOfAnotherProgram;
  if (owner == OwnerThisProduct) DeleteSection(section);
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
  written = WriteProfileText(kFile, section.c_str(), INSTALLED_APPS_OWNER_VALUE, keyName) && written;
  return written ? EntryWritten : EntryNotWritten;
}

void DeleteInstalledAppsEntry(const char* keyName, bool forAllUsers) {
  const std::string section = Section(keyName, forAllUsers);
  if (EntryOwner(keyName, section) == OwnerThisProduct) DeleteSection(section);
}
