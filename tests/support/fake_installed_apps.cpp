// A recorder of the Installed-apps entry for unit tests.
#include "shell/installed_apps.h"
#include "tests/support/fakes.h"

namespace {
bool keyOfAnotherProgram = false;
}  // namespace

namespace fake {
void ResetInstalledApps() { keyOfAnotherProgram = false; }
void EntryKeyOfAnotherProgram(bool another) { keyOfAnotherProgram = another; }
}  // namespace fake

EntryOutcome WriteInstalledAppsEntry(const char* keyName, bool forAllUsers, const InstalledAppsEntry& entry) {
  const std::string key = std::string(forAllUsers ? "HKLM\\" : "HKCU\\") + keyName;
  if (keyOfAnotherProgram) {
    fake::Events().push_back("entry:another program's " + key);
    return EntryOfAnotherProgram;
  }
  fake::Events().push_back("entry:" + key + " " + entry.installLocation);
  return EntryWritten;
}

void DeleteInstalledAppsEntry(const char* keyName, bool forAllUsers) {
  fake::Events().push_back(std::string("entry:delete ") + (forAllUsers ? "HKLM\\" : "HKCU\\") + keyName);
}
