// Writing the payload table's files into the current directory, and removing them again.
#pragma once
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

/// Verifies every piece of PayloadTable against its recorded checksum without writing
/// anything. Returns true when the whole payload is intact. `callback` (may be null) is called
/// with `context` and the file the piece belongs to before each piece, with the share of the
/// pieces checked so far as `percent` (0 to 99), and with an empty name and 100 once every piece
/// is checked; not at all for a payload without pieces. It stops at the first damaged piece.
bool PayloadIsIntact(void* context = nullptr, ProgressCallback callback = nullptr);

/// Writes every file of PayloadTable, in table order, into the current directory, calling
/// `callback` (may be null) with (i * 100) / fileCount before file i and with 100 at the end.
/// The folders of a file's path are created just before it, where missing, and remembered
/// (RemovePayloadFiles removes them again). Stops at the first failure; files and folders
/// already written stay on disk. ExtractNoMemory also when no memory is left to remember a
/// folder, before it is made. Returns the status.
/// Pieces are inflated on up to one thread per processor (at most eight, the caller's among
/// them), but every file operation and every callback happens on the caller's thread, in table
/// order; threads that cannot be started and buffers that cannot be allocated are done without,
/// and ExtractNoMemory means not even one buffer. When it returns, no thread of its own runs.
ExtractStatus ExtractPayload(void* context, ProgressCallback callback);

/// Deletes, in table order, every table file present in the current directory, reporting
/// progress like ExtractPayload, then the folders ExtractPayload created (RemoveCreatedFolders).
/// Returns 4 when it walked the whole table, or 0 when a present file cannot be deleted (later
/// files are left alone, and the final report of 100 is not made).
int RemovePayloadFiles(void* context, ProgressCallback callback);

/// Removes, innermost first, every folder the last ExtractPayload created, each only if it is
/// empty: a folder that held something before, or holds a file that could not be deleted, stays.
/// A folder that existed before the run is never among them. Forgets them afterwards.
void RemoveCreatedFolders();
