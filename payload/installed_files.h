// Removing an installation's files from its data directory, for the uninstaller.
#pragma once

/// Told the full path of each file that stays behind.
typedef void (*LeftFileReport)(void* context, const char* path);

/// Deletes every file of PayloadTable present in `directory` (at most 1,023 characters), in table
/// order, each by its full path ("<directory>\<name>", as the installer forms its paths), and
/// goes on past any that cannot be deleted: each of those is handed to `left` (may be null)
/// with `context`. The program's own file among them, the uninstaller started from `directory`,
/// goes too (DeleteFileOrOwnProgram). A file that is not there is skipped. Nothing else in
/// `directory` is touched. Returns the number of files left.
int DeleteInstalledFiles(const char* directory, LeftFileReport left, void* context);

/// The same for the `count` paths `names` of an installation's record (null entries skipped),
/// which can be files of any version: each is deleted by its full path, past any that cannot be,
/// and those are handed to `left`. Returns the number of files left.
int DeleteRecordedFiles(const char* directory, const char* const* names, int count, LeftFileReport left, void* context);

/// Removes each of the `count` folders `folders` below `directory` (outermost first, as a record
/// lists them; null entries skipped) that is empty, from the last to the first: the folders an
/// installation created. One that existed before is not among them, and stays.
void RemoveRecordedFolders(const char* directory, const char* const* folders, int count);

/// Removes, innermost first, each folder of the table's paths below `directory` that is empty,
/// once its files are gone (after DeleteInstalledFiles): the folders the product's files were
/// installed into. A folder holding anything else, the user's own files among them, stays.
void RemoveInstalledFolders(const char* directory);
