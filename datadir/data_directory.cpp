// Settling the data directory: proposal, stored choice, silent entry, and the dialog loop.
#include "datadir/data_directory.h"

#include <stdio.h>
#include <string.h>

#include "datadir/directory_dialog.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/profile.h"
#include "platform/system.h"
#include "product/installer_settings.h"

char DataDirectory[DataDirectorySize];
bool DataDirectoryCreated = false;

namespace {

// The installer's one piece of persistent state: this entry of the product's profile file.
const char kProfileSection[] = "Options";
const char kProfileKey[] = "dataDir";

const char kCouldNotAccessText[] =
    "That directory does not exist and could not be created. Please enter a valid location for a "
    "directory on your system.";
const char kOpenToOthersFormat[] =
    "Other users of this computer may change the files in %s, so a program installed there for "
    "all users could be replaced by any of them. Please choose a directory that only "
    "administrators may change, such as one in Program Files.";
const char kShuttingDownText[] =
    "This program cannot operate without a data directory to store its files in. The program "
    "will exit now. Please determine an appropriate directory name and start the program again "
    "later.";

// The profile file this installation keeps its entry in: the settings' iniFileName, a bare name
// that the profile functions find in the Windows folder, for an installation for all users (the
// process runs elevated); for one user, who may not write there, the same name in the user's own
// local application data folder (UserProfileFile), written into `userFile` (`size` bytes).
// Which installation the profile functions serve: -1 the process's own (its token decides), 1 one
// for all users, 0 one for a single user (ReadStoredDataDirectory found it there).
int profileScope = -1;

const char* ProfileFile(char* userFile, size_t size) {
  const bool forAllUsers = profileScope < 0 ? ProcessIsElevated() : profileScope == 1;
  if (!forAllUsers && UserProfileFile(InstallerSettings.iniFileName, userFile, size)) return userFile;
  return InstallerSettings.iniFileName;
}

// Room for a profile file's full path, on the stack of each call that needs it.
enum { kProfilePathSize = DataDirectorySize };

// Appends `text` to `out` (holding `*used` characters) when it fits with its terminator.
bool Append(char* out, size_t size, size_t* used, const char* text) {
  const size_t length = strlen(text);
  if (*used + length >= size) return false;
  memcpy(out + *used, text, length + 1);
  *used += length;
  return true;
}

// Fills `proposal` with the directory offered when nothing is stored: the Program Files
// default when it can be entered (it is then the current directory), else the home default,
// else an empty text, which leaves the choice to the user in the dialog.
void ProposeDefault(char* proposal, size_t size) {
  const char* groupName = InstallerSettings.groupName;
  const int length = snprintf(proposal, size, "C:\\Program Files\\%s", groupName);
  if (length >= 0 && static_cast<size_t>(length) < size && EnterDirectory(proposal, 0) == 0) return;

  char homePath[DataDirectorySize];
  char homeDrive[DataDirectorySize];
  bool pathTooLong = false;
  bool driveTooLong = false;
  const bool havePath = ReadEnvironmentText("HOMEPATH", homePath, sizeof homePath, &pathTooLong);
  const bool haveDrive = ReadEnvironmentText("HOMEDRIVE", homeDrive, sizeof homeDrive, &driveTooLong);
  // A value too long for the buffer cannot give a usable directory; reading it as absent would
  // silently propose a different one (C:\<groupName>).
  if (pathTooLong || driveTooLong ||
      !ComposeHomeDefault(haveDrive ? homeDrive : nullptr, havePath ? homePath : nullptr, groupName,
                          proposal, size)) {
    proposal[0] = '\0';
  }
}

// The default of an unattended installation for all users, "<Program Files>\<groupName>": the
// home default is the user's, and the system account of a management tool has none (it would
// be C:\<groupName>). False when there is no Program Files folder or the path does not fit.
bool ProposeProgramFiles(char* proposal, size_t size) {
  char folder[DataDirectorySize];
  if (!ProgramFilesFolder(folder, sizeof folder)) return false;
  const int length = snprintf(proposal, size, "%s\\%s", folder, InstallerSettings.groupName);
  if (length >= 0 && static_cast<size_t>(length) < size) return true;
  proposal[0] = '\0';
  return false;
}

// Fills DataDirectory with the directory to try first: `preset` when given, else the stored
// one, else the default (for `unattended` installations for all users, Program Files);
// separators normalised.
void Propose(const char* preset, bool unattended = false) {
  if (preset != nullptr) {
    snprintf(DataDirectory, sizeof DataDirectory, "%s", preset);
  } else {
    char proposal[DataDirectorySize];
    if (!(unattended && ProcessIsElevated() && ProposeProgramFiles(proposal, sizeof proposal))) {
      ProposeDefault(proposal, sizeof proposal);
    }
    // A stored directory too long for the buffer is not cut to another one: it leaves the
    // proposal empty, for the user to choose in the dialog.
    char profile[kProfilePathSize];
    ReadProfileText(ProfileFile(profile, sizeof profile), kProfileSection, kProfileKey, proposal, DataDirectory,
                    sizeof DataDirectory);
  }
  NormalizeSeparators(DataDirectory);
}

}  // namespace

int EnterDirectory(const char* path, int mayCreate) {
  if (ChangeDirectory(path) == 0) return 0;
  if (!mayCreate) return -1;
  CreateDataDirectory(path);
  return ChangeDirectory(path);
}

int CreateDataDirectory(const char* path) {
  const int created = ProcessIsElevated() ? CreateProtectedDirectoryLevel(path) : CreateDirectoryLevel(path);
  if (created == 0) DataDirectoryCreated = true;
  return created;
}

bool RefusedAsOpenToOthers(const char* path, WindowHandle owner, bool showMessage) {
  if (!ProcessIsElevated() || !OthersMayChangeDirectory(path)) return false;
  if (showMessage) {
    char text[DataDirectorySize + sizeof kOpenToOthersFormat];
    snprintf(text, sizeof text, kOpenToOthersFormat, path);
    ShowMessage(owner, text, "Directory Open to Other Users", kMessageOk | kMessageWarning);
  }
  return true;
}

void NormalizeSeparators(char* path) {
  char* write = path;
  bool inRun = false;
  for (const char* read = path; *read != '\0'; ++read) {
    const bool separator = *read == '/' || *read == '\\';
    if (!separator) {
      *write++ = *read;
    } else if (!inRun) {
      *write++ = '\\';
    }
    inRun = separator;
  }
  *write = '\0';
}

void StripTrailingChar(char* path, char ch) {
  const size_t length = strlen(path);
  if (length > 0 && path[length - 1] == ch) path[length - 1] = '\0';
}

bool ComposeHomeDefault(const char* homeDrive, const char* homePath, const char* groupName, char* out,
                        size_t size) {
  if (homePath == nullptr) homePath = "";
  if (homeDrive == nullptr) homeDrive = "C:";
  size_t used = 0;
  out[0] = '\0';
  bool fits;
  if (strlen(homePath) >= 2 && homePath[1] == ':') {
    fits = Append(out, size, &used, homePath);
  } else {
    fits = Append(out, size, &used, homeDrive);
    StripTrailingChar(out, '\\');
    StripTrailingChar(out, '/');
    used = strlen(out);
    fits = fits && Append(out, size, &used, homePath);
  }
  if (fits) {
    StripTrailingChar(out, '\\');
    StripTrailingChar(out, '/');
    used = strlen(out);
    fits = Append(out, size, &used, "\\") && Append(out, size, &used, groupName);
  }
  if (!fits) out[0] = '\0';
  return fits;
}

void StoreDataDirectory() {
  char profile[kProfilePathSize];
  WriteProfileText(ProfileFile(profile, sizeof profile), kProfileSection, kProfileKey, DataDirectory);
}

int ChooseDataDirectory(InstanceHandle instance, WindowHandle owner, const char* preset) {
  DataDirectoryCreated = false;
  Propose(preset);
  // A proposal that exists but is open to other users is said so, and then offered in the dialog,
  // whose check refuses it again until another is chosen.
  bool entered = EnterDirectory(DataDirectory, 0) == 0;
  bool refused = entered && RefusedAsOpenToOthers(DataDirectory, owner, true);
  for (bool firstPass = true; !entered || refused; firstPass = false) {
    if (!firstPass && !refused) {
      ShowMessage(owner, kCouldNotAccessText, "Couldn't Access Directory", kMessageOk | kMessageWarning);
    }
    // A dialog that cannot be shown (-1) will not appear on a second try either; it counts as
    // the user giving up, so the loop cannot spin without the user.
    if (RunDirectoryDialog(instance, owner, DataDirectory, sizeof DataDirectory, ValidateDirectoryChoice) != 1) {
      ShowMessage(owner, kShuttingDownText, "Shutting Down", kMessageOk | kMessageWarning);
      return 0;
    }
    NormalizeSeparators(DataDirectory);
    entered = EnterDirectory(DataDirectory, 1) == 0;
    refused = entered && RefusedAsOpenToOthers(DataDirectory, owner, true);
  }

  StoreDataDirectory();
  return 1;
}

DirectorySettling SettleDataDirectory(const char* preset) {
  DataDirectoryCreated = false;
  Propose(preset, true);
  if (EnterDirectory(DataDirectory, 1) != 0) return DirectoryUnusable;
  if (RefusedAsOpenToOthers(DataDirectory, nullptr, false)) return DirectoryOpenToOthers;
  StoreDataDirectory();
  return DirectorySettled;
}

bool ReadStoredDataDirectory(bool* forAllUsers) {
  // The process's own scope first, then the other: an installation for all users is found by an
  // uninstaller its user did not elevate, and one for the user by an elevated one.
  const bool elevated = ProcessIsElevated();
  const bool scopes[] = {elevated, !elevated};
  for (const bool scope : scopes) {
    profileScope = scope ? 1 : 0;
    char profile[kProfilePathSize];
    ReadProfileText(ProfileFile(profile, sizeof profile), kProfileSection, kProfileKey, "", DataDirectory,
                    sizeof DataDirectory);
    NormalizeSeparators(DataDirectory);
    if (DataDirectory[0] != '\0') {
      *forAllUsers = scope;
      return true;
    }
  }
  profileScope = -1;
  return false;
}

void ForgetDataDirectory() {
  char profile[kProfilePathSize];
  WriteProfileText(ProfileFile(profile, sizeof profile), kProfileSection, kProfileKey, nullptr);
}
