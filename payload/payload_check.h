// The damage check: every piece of the payload against its checksum, or every data file against
// its SHA-256 digest, before anything is written.
#pragma once
#include "payload/extract.h"

/// What CheckPayload found.
enum PayloadCheck {
  PayloadIntact = 0,
  PayloadDamaged = 1,          // a piece in the program's own file differs from its checksum, or cannot be read
  PayloadNoMemory = 2,         // no buffer to read the pieces into
  PayloadDataFileDamaged = 3,  // a data file is missing, of another length or differs from its digest
};

/// Verifies PayloadTable without writing anything: when its pieces are in the program's own
/// file, every piece against its recorded checksum, as its reader reads it; when they are in data
/// files, first that each can be read at all, then each segment of each against its SHA-256 digest
/// (product/installer_data.h), several segments of one file at once. Reads a
/// megabyte at a time, on up to one thread per processor (at most eight, the caller's among
/// them); threads that cannot be started are done without. `callback` (may be null) is called on
/// the caller's thread only, with `context`, an empty name and the share of the bytes checked so
/// far as `percent` (0 to 100) every megabyte or so, and with 100 once every byte is checked; not
/// at all for a payload without pieces. Stops soon after the first damage any thread finds. When
/// it returns, no thread of its own runs.
PayloadCheck CheckPayload(void* context = nullptr, ProgressCallback callback = nullptr);

/// After CheckPayload found PayloadDataFileDamaged: the number of the data file at fault (from 0;
/// the lowest of those found), as its name "<stem>-<number + 1>.bin" gives it.
int DamagedDataFile();
