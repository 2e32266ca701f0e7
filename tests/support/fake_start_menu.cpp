// A fake Start menu for unit tests: a shell that answers its Program Manager commands has made
// the items once it was sent any; otherwise the installer makes them, which is recorded, as is
// each item moved to all users' Start menu.
#include "shell/start_menu.h"
#include "tests/support/fakes.h"

namespace {
const char* const kFolderNames[] = {"Programs", "Startup"};

std::string ItemName(StartMenuFolder folder, const char* group, const char* name) {
  return std::string(kFolderNames[folder]) + "\\" + (group != nullptr ? std::string(group) + "\\" : "") + name;
}
}  // namespace

bool StartMenuItemExists(StartMenuFolder, const char*, const char*) {
  return fake::ShellAnswersDdeNow() && !fake::ExecutedCommands().empty();
}

bool MakeStartMenuItem(StartMenuFolder folder, bool forAllUsers, const char* group, const char* name,
                       const char* target, const char* workingDirectory) {
  fake::Events().push_back(std::string("link:") + (forAllUsers ? "all users " : "") + ItemName(folder, group, name) +
                           " -> " + target + " in " + workingDirectory);
  return true;
}

void MoveStartMenuItemToAllUsers(StartMenuFolder folder, const char* group, const char* name) {
  if (StartMenuItemExists(folder, group, name)) fake::Events().push_back("move:" + ItemName(folder, group, name));
}

void DeleteStartMenuItem(StartMenuFolder folder, const char* group, const char* name) {
  fake::Events().push_back("unlink:" + ItemName(folder, group, name));
}
