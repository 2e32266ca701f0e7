// The product's items in the Start menu as the shell keeps them, shortcut files in its folders:
// what the installer checks after its Program Manager commands, makes itself where no shell made
// them, and removes again. Names are UTF-8, as every text of the installer.
#pragma once

/// The Start menu's folders the product's items go in.
enum StartMenuFolder {
  StartMenuPrograms = 0,  // "Programs", where the product's group is a folder of its own
  StartMenuStartup = 1,   // "Startup", whose items start when the user logs on
};

/// True when the shortcut `<group>\<name>.lnk` (just `<name>.lnk` when `group` is null) is in
/// `folder` of the user's Start menu or of all users' one.
bool StartMenuItemExists(StartMenuFolder folder, const char* group, const char* name);

/// Makes that shortcut in `folder` of all users' Start menu (`forAllUsers`) or of the user's,
/// making the group's folder first when it is missing: it starts `target` (the whole path names
/// the program) in `workingDirectory`, as the shell's own items from Program Manager commands
/// do. Returns true when it was made; false when it could not be (no such Start menu, a name
/// Windows refuses for a file, no access), which the caller does without.
bool MakeStartMenuItem(StartMenuFolder folder, bool forAllUsers, const char* group, const char* name,
                       const char* target, const char* workingDirectory);

/// When that shortcut is in the user's Start menu, moves it to all users' one: copies it there
/// (into the group's folder, made when missing, whose rights the copy takes on), replacing one of
/// that name, then deletes the user's, and the user's group folder when that leaves it empty. The
/// shell answers Program Manager commands as the user who is signed in, so an installation for
/// all users finds its items in that user's Start menu alone. One that cannot be copied stays
/// where it is; where the user's Start menu and all users' are one (the console edition),
/// nothing happens.
void MoveStartMenuItemToAllUsers(StartMenuFolder folder, const char* group, const char* name);

/// Deletes that shortcut from both Start menus, wherever it is; one that is not there is no
/// failure. Then removes the group's folder from each Start menu where it is left empty (a
/// folder holding anything else stays).
void DeleteStartMenuItem(StartMenuFolder folder, const char* group, const char* name);
