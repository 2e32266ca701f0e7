// Registering the product's program group with the shell.
#pragma once

/// Who decides on the Startup item, where the settings offer it.
enum StartupItemChoice {
  StartupAskUser,  // the "Add To Startup Group" question
  StartupAdd,      // added without a question (/STARTUP)
  StartupSkip,     // not added, no question
};

/// Creates the product's group with items for `programPath` and `uninstallerPath` (and, when the
/// settings offer it and `startup` says so, a Startup item for the program): the uninstaller's
/// item works in `dataDirectory`, the program's in the program's folder, `dataDirectory` itself
/// or, when mainExecutable is a path, its folder below `dataDirectory`. The group is made through
/// the Program Manager DDE client, opened and closed around the commands. Then each of those items that is not in the Start menu (no shell answered, as for a
/// management tool under the system account) is made as a shortcut file of the same name,
/// target and working directory in the Start menu of all users (`forAllUsers`) or of the user,
/// so that the result is the same either way. Failures are ignored.
void RegisterShortcuts(const char* programPath, const char* uninstallerPath, const char* dataDirectory,
                       StartupItemChoice startup = StartupAskUser, bool forAllUsers = false);

/// Removes what RegisterShortcuts made, through the same client and command language: the
/// product's group with its items ("[DeleteGroup(<groupName>)]") and, where the settings offer
/// the Startup item, that item ("[ShowGroup(Startup,7)]" makes the Startup group the one that
/// "[DeleteItem(<groupName>)]" acts on). Then whatever of those items is still in either Start
/// menu (no shell answered) is deleted, and the group's folder when it is left empty. Failures are
/// ignored: the shell's answers do not tell a group that is already gone from one it failed to
/// remove.
void RemoveShortcuts();

/// The connection rule RegisterShortcuts hands the DDE client: true only when `serviceName`
/// equals the settings' groupName exactly, case included.
bool DdeAcceptsConnection(const char* serviceName);
