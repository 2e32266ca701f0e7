// Settling the data directory that receives the product, and remembering it.
#pragma once
#include <stddef.h>

#include "platform/platform_types.h"

/// Size of the process-wide data directory buffer, terminator included.
enum { DataDirectorySize = 1024 };

/// The chosen data directory: UTF-8 path text, at most DataDirectorySize - 1 bytes (1,023 ASCII
/// characters, 511 Greek or Cyrillic, 341 Chinese or Japanese), with separators normalised to
/// single backslashes. A longer path is refused wherever it comes from, never cut.
extern char DataDirectory[DataDirectorySize];

/// True once ChooseDataDirectory or SettleDataDirectory has created DataDirectory (it did not
/// exist before this run); false when they found it. The uninstaller removes only a directory an
/// installation created.
extern bool DataDirectoryCreated;

/// Fills DataDirectory with an existing directory, makes it the current directory and stores it
/// as "Options"/"dataDir" in the profile file. Proposes "C:\Program Files\<groupName>" when that
/// exists, else the home default; a stored profile value wins over either, and `preset` (the
/// directory named on the command line; null when none) over all of them; asks through the
/// directory dialog only when the result cannot be entered. `instance` supplies the dialog
/// template; `owner` (may be null) owns the dialog and every message box. Returns 1 when a
/// directory was settled, or 0 after the user gave up (Cancel, or a dialog that could not be
/// shown); the "Shutting Down" message has then been shown and nothing has been written.
int ChooseDataDirectory(InstanceHandle instance, WindowHandle owner, const char* preset = nullptr);

/// What SettleDataDirectory found.
enum DirectorySettling {
  DirectoryUnusable = 0,      // it cannot be created or entered
  DirectorySettled = 1,       // it is the current directory, and stored
  DirectoryOpenToOthers = 2,  // an installation for all users found it open to other users
};

/// The unattended form of ChooseDataDirectory: takes `preset` (null: the stored directory, else
/// the default: for an installation for all users "<Program Files>\<groupName>" in the Program
/// Files folder of the program's own architecture (ProgramFilesFolder), for one user the
/// directory the dialog would propose), enters it, creating it (one level, CreateDataDirectory)
/// when it is missing, and stores it. Shows nothing. Nothing is stored unless it settles; a
/// directory OpenToOthers refuses is left as it was found.
DirectorySettling SettleDataDirectory(const char* preset);

/// Creates the data directory `path` (one level) and sets DataDirectoryCreated. An installation
/// for all users (the process runs elevated) creates it protected (CreateProtectedDirectoryLevel),
/// so that no other user may change the program it will hold, wherever it is. Returns 0 on
/// success, -1 otherwise.
int CreateDataDirectory(const char* path);

/// The rule for a directory that exists: an installation for all users does not install into
/// one that other users may change (OthersMayChangeDirectory), since any of them could then
/// replace the program that every user, and the administrator who removes it, will run. True
/// when `path` is refused so; with `showMessage` the refusal has then been said in a message box
/// owned by `owner` (may be null). Always false for an installation for one user.
bool RefusedAsOpenToOthers(const char* path, WindowHandle owner, bool showMessage);

/// Fills DataDirectory with the directory stored in the profile file, separators normalised:
/// the file of the process's own scope (see StoreDataDirectory) first, else the other scope's, so
/// that an installation for all users is found by a process that is not elevated, and one for the
/// user by one that is. Sets `*forAllUsers` to the scope whose file held it; ForgetDataDirectory
/// then changes that file. Returns false, leaving DataDirectory empty, when neither stores one.
bool ReadStoredDataDirectory(bool* forAllUsers);

/// Removes the entry "Options"/"dataDir" from the profile file (the one ReadStoredDataDirectory
/// found it in, once it has), and nothing else of it. A failure is not reported.
void ForgetDataDirectory();

/// Writes DataDirectory to the profile entry "Options"/"dataDir" of the settings' iniFileName: in
/// the Windows folder for an installation for all users (the process runs elevated), in the
/// user's local application data folder for one for that user alone. Every function here that
/// reads or writes the entry finds the file by the same rule.
/// A failure is not reported.
void StoreDataDirectory();

/// The directory dialog's OK check: `directory` (a buffer of `size` bytes) holds the text the
/// user typed. A relative text ("Tovalin", "apps\Tovalin", "D:Tovalin", "\Tovalin"; see
/// IsRelativePath) is first replaced by the full path it names from the current directory, and
/// that full path is what is checked and kept; one that has none that fits is refused like a
/// directory that cannot be created. Then a missing directory is created (one level), a path
/// naming a file is refused, and an existing directory is accepted only after the user
/// confirms. Every refusal is a message box owned by `owner`. Returns 1 when the dialog should
/// close with the directory accepted, 0 when it should stay open.
int ValidateDirectoryChoice(char* directory, size_t size, WindowHandle owner);

/// Makes `path` the current directory; when that fails and `mayCreate` is nonzero, creates
/// `path` (one level only), setting DataDirectoryCreated when that succeeds, and tries once
/// more. Returns 0 when the current directory was changed, -1 otherwise.
int EnterDirectory(const char* path, int mayCreate);

/// Rewrites `path` in place so that every run of '/' and '\' characters becomes one '\'; all
/// other characters stay, and leading or trailing runs shrink to one '\' as well.
void NormalizeSeparators(char* path);

/// Removes the last character of `path` when it equals `ch`; only one is removed, and an empty
/// text is left as it is.
void StripTrailingChar(char* path, char ch);

/// Builds the home default directory from the values of HOMEDRIVE and HOMEPATH (null when the
/// variable is absent) and `groupName` into `out` of `size` bytes: HOMEPATH alone when its
/// second character is ':', else HOMEDRIVE (default "C:", one trailing '\' then one trailing '/'
/// stripped) followed by HOMEPATH; then one trailing '\' and one trailing '/' stripped, and
/// "\<groupName>" appended. Returns false, leaving `out` empty, when the result does not fit;
/// such a default is unusable rather than cut to a different directory.
bool ComposeHomeDefault(const char* homeDrive, const char* homePath, const char* groupName, char* out,
                        size_t size);
