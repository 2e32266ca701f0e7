// The record of what an installation installed, kept with the product in its data directory: the
// files, the folders it created, its items, for whom, and the version. An update reads the earlier
// one to remove what it no longer installs; the uninstaller reads it to remove what any version
// installed, and only that.
#pragma once
#include <stddef.h>

#include "product/own_files.h"

/// An installation as its record tells it. Texts point into the record's text; a null entry of
/// `files` or `folders` is one that has been dealt with (RemoveWhatIsNoLongerInstalled).
struct InstallRecord {
  char* text;  // the whole record, owned (FreeInstallRecord)
  const char* version;
  const char* appTitle;
  const char* groupName;
  const char* productId;  // the key of its entry among the installed programs
  bool forAllUsers;
  bool startupItem;  // the installation made the Startup item
  bool directoryCreated;  // an installation created the data directory (it was not there before)
  const char** files;  // paths below the data directory
  int fileCount;
  const char** folders;  // folders it created, each after the folder holding it
  int folderCount;
};

enum RecordStatus {
  RecordRead = 0,
  RecordMissing = 1,   // no record: nothing installed, or installed by a program that kept none
  RecordDamaged = 2,   // not a record this program wrote, or one it cannot trust
  RecordNoMemory = 3,
};

/// Reads the record in `directory` into `record` (set to an empty record unless RecordRead).
/// A record is damaged when its first line is not this program's, a line is not "<key><tab>
/// <value>", a path breaks the payload-path rule (an absolute path, "..", a drive), the title or
/// group or product id breaks its rule, or a setting is missing; then it is ignored as a whole, for a path it
/// names could be anywhere. Keys it does not know are skipped: a later version may add some.
RecordStatus ReadInstallRecord(const char* directory, InstallRecord* record);

/// Frees what ReadInstallRecord allocated; the record is empty afterwards. An empty record is fine.
void FreeInstallRecord(InstallRecord* record);

/// After an installation over the one `earlier` records, in `directory`: deletes each file it
/// lists that PayloadTable does not (MayNameSameFile decides), then removes each folder it lists
/// that is left empty, innermost first. A folder holding anything else (the user's own files)
/// stays. Each file and folder that is gone, or is the new installation's, becomes null in
/// `earlier`; what is left stays listed, for the next record. Without memory for the lookup
/// nothing is deleted and every entry stays.
void RemoveWhatIsNoLongerInstalled(const char* directory, InstallRecord* earlier);

/// What the installation just completed made, besides its files and folders.
struct InstallationMade {
  const char* version;
  const char* appTitle;
  const char* groupName;
  const char* productId;
  bool forAllUsers;
  bool startupItem;
  bool directoryCreated;  // this installation or the earlier one created the data directory
};

/// Writes the record of the installation ExtractPayload just completed into `directory`: `made`,
/// every file of PayloadTable and each earlier copy DiscardReplacedFiles could not delete, the
/// files and folders still listed in `earlier` (may be null) and the folders the run created. It
/// is written beside the record as "<name>.new" (InstallRecordNewSuffix), flushed to the disk, and renamed over the record,
/// so that a crash at any moment leaves the earlier record or this one whole. Returns false when
/// it could not be written; the earlier record is then deleted too, since it no longer tells
/// this installation (the uninstaller then goes by its own list of files).
bool WriteInstallRecord(const char* directory, const InstallationMade& made, const InstallRecord* earlier);

/// Deletes the record in `directory`, and a "<name>.new" a crash left, for the uninstaller once
/// everything it lists is gone. Returns false when the record is there and cannot be deleted.
bool DeleteInstallRecord(const char* directory);
