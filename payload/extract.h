// Writing the payload table's files into the current directory, and removing them again.
#pragma once
#include "product/own_files.h"
#include "product/payload_table.h"

enum ExtractStatus {
  ExtractCannotCreate = 1,  // a payload file cannot be opened for writing
  ExtractWriteFailed = 2,   // fewer bytes were written than a piece decompressed to
  ExtractNoMemory = 3,      // not even one decompression buffer can be allocated
  ExtractComplete = 4,      // every file was written
  ExtractDamaged = 5,       // a piece failed to decompress: the installer itself is damaged
};

/// Progress report: `context` is passed through untouched, `fileName` is the file about to be
/// written (empty at the end) and `percent` runs from 0 to 100.
typedef void (*ProgressCallback)(void* context, const char* fileName, int percent);

/// Writes every file of PayloadTable, in table order, into the current directory, calling
/// `callback` (may be null) with (i * 100) / fileCount before file i and with 100 at the end.
/// The folders of a file's path are created just before it, where missing, and remembered
/// (RollBackExtraction removes them again). A file already there (of an earlier installation) is
/// set aside under its name and ReplacedSuffix (product/own_files.h) before its replacement is created, so that a
/// rollback can put it back; one that could not be replaced in place (read-only, or held by a
/// program that shares it with no writer) is not moved, and the run fails with
/// ExtractCannotCreate as it would on creating it. Stops at the first failure; files and folders
/// already written stay on disk. ExtractNoMemory also when no memory is left to remember a
/// folder, before it is made, or for a byte of state per file. Returns the status.
/// Pieces are read and inflated on up to one thread per processor (at most eight, the caller's
/// among them; a piece that cannot be read ends the run as ExtractDamaged), but every file
/// operation and every callback happens on the caller's thread, in table order; threads that
/// cannot be started and buffers that cannot be allocated are done without, and ExtractNoMemory
/// means not even one buffer. When it returns, no thread of its own runs.
ExtractStatus ExtractPayload(void* context, ProgressCallback callback);

/// Undoes the last ExtractPayload that did not complete, in table order, reporting progress like
/// it: each file it created is deleted, each file it replaced is deleted and the earlier copy put
/// back under its name; files it did not reach are left as they are (an earlier installation's
/// stay whole). Then the folders it created go (RemoveCreatedFolders). Returns 4 when it walked
/// the whole table, or 0 when a file cannot be deleted or put back (later files are left alone,
/// and the final report of 100 is not made).
int RollBackExtraction(void* context, ProgressCallback callback);

/// After an ExtractPayload that completed: deletes the earlier copies it set aside. Returns how
/// many could not be deleted (ReplacedCopyLeft names them).
int DiscardReplacedFiles();

/// The set-aside copy of file `index` of PayloadTable that DiscardReplacedFiles could not delete,
/// as a path below the current directory, valid until the next call; null when there is none.
const char* ReplacedCopyLeft(int index);

/// The folders the last ExtractPayload created, outermost before the folders inside them: folder
/// `index` (below CreatedFolderCount) is the first `*length` bytes of the returned payload path.
int CreatedFolderCount();
const char* CreatedFolderAt(int index, size_t* length);

/// Removes, innermost first, every folder the last ExtractPayload created, each only if it is
/// empty: a folder that held something before, or holds a file that could not be deleted, stays.
/// A folder that existed before the run is never among them. Forgets them afterwards.
void RemoveCreatedFolders();
