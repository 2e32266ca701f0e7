// A recorder of the Installed-apps entry for unit tests.
#include "shell/installed_apps.h"
#include "tests/support/fakes.h"

bool WriteInstalledAppsEntry(const char* keyName, bool forAllUsers, const InstalledAppsEntry& entry) {
  fake::Events().push_back(std::string("entry:") + (forAllUsers ? "HKLM\\" : "HKCU\\") + keyName + " " +
                           entry.installLocation);
  return true;
}

void DeleteInstalledAppsEntry(const char* keyName, bool forAllUsers) {
  fake::Events().push_back(std::string("entry:delete ") + (forAllUsers ? "HKLM\\" : "HKCU\\") + keyName);
}
