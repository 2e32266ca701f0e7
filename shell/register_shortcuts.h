// Registering the product's program group with the shell.
#pragma once

/// Who decides on the Startup item, where the settings offer it.
enum StartupItemChoice {
  StartupAskUser,  // the "Add To Startup Group" question
  StartupAdd,      // added without a question (/STARTUP)
  StartupSkip,     // not added, no question
};

/// How the items are made and removed: with the Program Manager commands, which the shell may
/// answer by showing the group's folder, or straight in the Start menu's folders, which shows
/// nothing (the way of an unattended run, which opens no window).
enum ShortcutRoute {
  ShortcutsThroughShell,
  ShortcutsWithoutWindows,
};

/// Creates the product's group with items for `programPath` and `uninstallerPath` (and, when the
/// settings offer it and `startup` says so, a Startup item for the program): the uninstaller's
/// item works in `dataDirectory`, the program's in the program's folder, `dataDirectory` itself
/// or, when mainExecutable is a path, its folder below `dataDirectory`. The group is made through
/// the Program Manager DDE client, opened and closed around the commands (not at all with
/// ShortcutsWithoutWindows). For an installation for all users (`forAllUsers`), what the shell
/// made in the user's own Start menu moves to all users' one, so that every user finds it, once.
/// Then each of those items that is not in the Start menu (no shell answered, as for a management
/// tool under the system account, or none was asked) is made as a shortcut file of the same name,
/// target and working directory in the Start menu of all users (`forAllUsers`) or of the user,
/// so that the result is the same either way. Failures are ignored. Returns true when the Startup
/// item was added.
bool RegisterShortcuts(const char* programPath, const char* uninstallerPath, const char* dataDirectory,
                       StartupItemChoice startup = StartupAskUser, bool forAllUsers = false,
                       ShortcutRoute route = ShortcutsThroughShell);

/// Removes what RegisterShortcuts made, through the same client and command language: the
/// product's group with its items ("[DeleteGroup(<groupName>)]") and, where the settings offer
/// the Startup item, that item ("[ShowGroup(Startup,7)]" makes the Startup group the one that
/// "[DeleteItem(<groupName>)]" acts on). Then whatever of those items is still in either Start
/// menu (no shell answered) is deleted, and the group's folder when it is left empty. Failures are
/// ignored: the shell's answers do not tell a group that is already gone from one it failed to
/// remove. With ShortcutsWithoutWindows no command is sent.
void RemoveShortcuts(ShortcutRoute route = ShortcutsThroughShell);

/// The same for the items an installation recorded: the group `groupName` with its items (the
/// program's named `appTitle`) and, when `startupItem` says that installation made it, the
/// Startup item `groupName`. RemoveShortcuts is this with the settings' names, the Startup item
/// wherever the settings offer it.
void RemoveShortcutsOf(const char* groupName, const char* appTitle, bool startupItem,
                       ShortcutRoute route = ShortcutsThroughShell);

/// After an installation over an earlier one that made its items under `earlierGroup` and
/// `earlierTitle` (and a Startup item when `earlierStartupItem`): removes what this installation,
/// which made a Startup item when `startupItemNow`, no longer makes. A group of another name goes
/// whole, with that installation's Startup item; in the same group, the program's item of
/// another title, and the Startup item when none was made now. Names differing in case only are
/// the same: Windows' folders do not tell them apart.
void RemoveEarlierShortcuts(const char* earlierGroup, const char* earlierTitle, bool earlierStartupItem,
                            bool startupItemNow, ShortcutRoute route = ShortcutsThroughShell);

/// The connection rule RegisterShortcuts hands the DDE client: true only when `serviceName`
/// equals the settings' groupName exactly, case included.
bool DdeAcceptsConnection(const char* serviceName);
