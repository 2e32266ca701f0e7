// Registering the product's program group with the shell in Program Manager's command language.
#include "shell/register_shortcuts.h"

#include <stdio.h>
#include <string.h>

#include "platform/message_box.h"
#include "platform/system.h"
#include "product/installer_settings.h"
#include "product/names.h"
#include "shell/dde_client.h"
#include "shell/start_menu.h"

namespace {

// Room for every command of an ordinary installation; longer ones are formatted on the heap.
enum { kCommandSize = 4096 };

// Formats `format`, whose only conversions are up to three "%s" filled from `first`, `second`
// and `third` in turn, and sends the result as one command. The text never outgrows its buffer
// because each "%s" takes exactly one argument's length. Without memory for an exceptionally
// long command it is skipped, like any command the shell does not carry out.
void SendCommand(const char* format, const char* first, const char* second = "", const char* third = "") {
  const size_t size = strlen(format) + strlen(first) + strlen(second) + strlen(third) + 1;
  char local[kCommandSize];
  char* command = size <= sizeof local ? local : static_cast<char*>(AllocateMemory(size));
  if (command == nullptr) return;
  snprintf(command, size, format, first, second, third);
  SendProgmanCommand(command);
  if (command != local) FreeMemory(command);
}

// Makes the item `name` of `group` in `folder` unless the shell has made it.
void EnsureItem(StartMenuFolder folder, bool forAllUsers, const char* group, const char* name, const char* target,
                const char* workingDirectory) {
  if (!StartMenuItemExists(folder, group, name)) MakeStartMenuItem(folder, forAllUsers, group, name, target, workingDirectory);
}

}  // namespace

bool DdeAcceptsConnection(const char* serviceName) {
  return strcmp(serviceName, InstallerSettings.groupName) == 0;
}

bool RegisterShortcuts(const char* programPath, const char* uninstallerPath, const char* dataDirectory,
                       StartupItemChoice startup, bool forAllUsers, ShortcutRoute route) {
  const SettingsRecord& settings = InstallerSettings;
  // The program's items work in the program's own folder: the data directory, or the folder of
  // mainExecutable's path below it (which the packaging tool bounds to 255 bytes).
  char programFolder[1024 + 1 + 256];  // a data directory of 1,023 bytes, a separator, the folder
  const char* programDirectory = dataDirectory;
  if (const char* last = strrchr(settings.mainExecutable, '\\')) {
    snprintf(programFolder, sizeof programFolder, "%s\\%.*s", dataDirectory, static_cast<int>(last - settings.mainExecutable),
             settings.mainExecutable);
    programDirectory = programFolder;
  }
  const bool throughShell = route == ShortcutsThroughShell;
  if (throughShell) {
    StartDdeClient(DdeAcceptsConnection);
    // Replacing before adding keeps a repeated installation from leaving duplicate items.
    SendCommand("[CreateGroup(%s)]", settings.groupName);
    SendCommand("[ShowGroup(%s,5)]", settings.groupName);
    SendCommand("[ReplaceItem(%s)]", settings.appTitle);
    SendCommand("[AddItem(\"%s\",%s,,,,,\"%s\")]", programPath, settings.appTitle, programDirectory);
    SendCommand("[ReplaceItem(Uninstall)]", "");
    SendCommand("[AddItem(\"%s\",Uninstall,,,,,\"%s\")]", uninstallerPath, dataDirectory);
  }

  const bool addStartupItem =
      settings.offerStartupGroup != 0 &&
      (startup == StartupAdd ||
       (startup == StartupAskUser &&
        ShowMessage(nullptr, settings.startupPrompt, "Add To Startup Group", kMessageYesNo) == kAnswerYes));
  if (throughShell) {
    if (addStartupItem) {
      SendCommand("[CreateGroup(Startup)]", "");
      SendCommand("[ShowGroup(Startup,5)]", "");
      SendCommand("[ReplaceItem(%s)]", settings.groupName);
      SendCommand("[AddItem(\"%s\",%s,,,,,\"%s\")]", programPath, settings.groupName, programDirectory);
    }
    StopDdeClient();
  }

  // The shell makes the items in the Start menu of the user it runs as: an administrator's own,
  // where no other user sees them.
  if (forAllUsers) {
    MoveStartMenuItemToAllUsers(StartMenuPrograms, settings.groupName, settings.appTitle);
    MoveStartMenuItemToAllUsers(StartMenuPrograms, settings.groupName, "Uninstall");
    if (addStartupItem) MoveStartMenuItemToAllUsers(StartMenuStartup, nullptr, settings.groupName);
  }
  // The shell's answers do not say whether it made the items (and no shell answers an
  // installation under the system account), so the Start menu is asked.
  EnsureItem(StartMenuPrograms, forAllUsers, settings.groupName, settings.appTitle, programPath, programDirectory);
  EnsureItem(StartMenuPrograms, forAllUsers, settings.groupName, "Uninstall", uninstallerPath, dataDirectory);
  if (addStartupItem) EnsureItem(StartMenuStartup, forAllUsers, nullptr, settings.groupName, programPath, programDirectory);
  return addStartupItem;
}

void RemoveShortcuts(ShortcutRoute route) {
  const SettingsRecord& settings = InstallerSettings;
  RemoveShortcutsOf(settings.groupName, settings.appTitle, settings.offerStartupGroup != 0, route);
}

void RemoveShortcutsOf(const char* groupName, const char* appTitle, bool startupItem, ShortcutRoute route) {
  if (route == ShortcutsThroughShell) {
    StartDdeClient(DdeAcceptsConnection);
    SendCommand("[DeleteGroup(%s)]", groupName);
    if (startupItem) {
      // Items are removed from the group made current last; shown minimised and not activated,
      // since nothing in it is for the user to see.
      SendCommand("[ShowGroup(Startup,7)]", "");
      SendCommand("[DeleteItem(%s)]", groupName);
    }
    StopDdeClient();
  }

  // What no shell removed goes too, and the group's folder with it when nothing else is in it.
  DeleteStartMenuItem(StartMenuPrograms, groupName, appTitle);
  DeleteStartMenuItem(StartMenuPrograms, groupName, "Uninstall");
  if (startupItem) DeleteStartMenuItem(StartMenuStartup, nullptr, groupName);
}

void RemoveEarlierShortcuts(const char* earlierGroup, const char* earlierTitle, bool earlierStartupItem,
                            bool startupItemNow, ShortcutRoute route) {
  const SettingsRecord& settings = InstallerSettings;
  if (!MayNameSameFile(earlierGroup, settings.groupName)) {
    RemoveShortcutsOf(earlierGroup, earlierTitle, earlierStartupItem, route);
    return;
  }
  const bool titleGone = !MayNameSameFile(earlierTitle, settings.appTitle);
  const bool startupGone = earlierStartupItem && !startupItemNow;
  if (!titleGone && !startupGone) return;
  if (route == ShortcutsThroughShell) {
    StartDdeClient(DdeAcceptsConnection);
    if (titleGone) {
      SendCommand("[ShowGroup(%s,7)]", earlierGroup);
      SendCommand("[DeleteItem(%s)]", earlierTitle);
    }
    if (startupGone) {
      SendCommand("[ShowGroup(Startup,7)]", "");
      SendCommand("[DeleteItem(%s)]", earlierGroup);
    }
    StopDdeClient();
  }
  if (titleGone) DeleteStartMenuItem(StartMenuPrograms, earlierGroup, earlierTitle);
  if (startupGone) DeleteStartMenuItem(StartMenuStartup, nullptr, earlierGroup);
}
