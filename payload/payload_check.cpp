// The damage check, read a window at a time on every core: windows of pieces that follow each
// other checked piece by piece, or the segments of the data files hashed, each by one thread.
#include "payload/payload_check.h"

#include <string.h>

#include "platform/system.h"
#include "platform/threads.h"
#include "product/installer_data.h"
#include "product/sha256.h"

namespace {

// Bytes read in one call. One call per piece would cost, under Wine, more than the reading itself
// (a 1.6 GB installer's 53,000 pieces took 6 s, a tenth of the disk's speed).
const uint32_t kWindowSize = 1u << 20;

// At most this many threads check, the caller's among them: eight read faster than any disk
// delivers, and each holds a window.
const int kMostCheckers = 8;

// How often the caller's thread, with nothing left to check itself, looks at the others' progress.
const unsigned kReportMilliseconds = 50;

struct Check {
  const PayloadTableRecord* table;
  ProgressCallback callback;  // called by the caller's thread only
  void* context;
  uint64_t totalBytes;
  LockHandle lock;  // null when the caller's thread checks alone
  // Under the lock:
  int nextFile, nextChunk;  // pieces: the first no one has claimed
  // Data files: the first segment no one has claimed, as its file, its number in that file and
  // among all, and where that file begins.
  int nextDataFile;
  uint64_t nextSegment, nextSegmentIndex, nextDataFileStart;
  uint64_t checkedBytes;
  bool damaged;
  int damagedDataFile;  // the lowest found damaged, or -1
  int running;          // threads besides the caller's still checking
};

// One checking thread and its window.
struct Checker {
  Check* check;
  ThreadHandle thread;
  unsigned char* window;
};

void Lock(Check& check) {
  if (check.lock != nullptr) AcquireLock(check.lock);
}

void Unlock(Check& check) {
  if (check.lock != nullptr) ReleaseLock(check.lock);
}

// (part * 100) / whole, for parts no larger than the whole, in 32-bit arithmetic (a 64-bit
// division costs the 32-bit program a routine of its own): wholes past 2^24 bytes are scaled down
// first, at a cost of far less than a percent.
int PercentOf(uint64_t part, uint64_t whole) {
  while (whole > (1u << 24)) {
    part >>= 1;
    whole >>= 1;
  }
  return whole > 0 ? static_cast<int>((static_cast<uint32_t>(part) * 100) / static_cast<uint32_t>(whole)) : 0;
}

// On the caller's thread: reports the share checked so far (the callback decides how often
// anything changes on the screen).
void Report(Check& check) {
  if (check.callback == nullptr) return;
  Lock(check);
  const int percent = PercentOf(check.checkedBytes, check.totalBytes);
  Unlock(check);
  check.callback(check.context, "", percent);
}

// Under the lock. Claims the pieces from the first unclaimed one on that are read in one call:
// that piece and those after it that follow it in the data without a gap, as far as a window
// holds them whole. Returns false when no piece is left; `*count` is 0 for a piece longer than a
// buffer, which counts as damaged.
bool ClaimPieces(Check& check, int* file, int* chunk, uint32_t* count, uint32_t* length) {
  const PayloadTableRecord& table = *check.table;
  while (check.nextFile < table.fileCount && check.nextChunk >= table.chunkCount[check.nextFile]) {
    ++check.nextFile;
    check.nextChunk = 0;
  }
  if (check.nextFile >= table.fileCount) return false;
  *file = check.nextFile;
  *chunk = check.nextChunk;
  *count = 0;
  *length = 0;
  uint64_t next = table.chunkOffset[*file][*chunk];
  for (int i = *file; i < table.fileCount; ++i) {
    for (int j = i == *file ? *chunk : 0; j < table.chunkCount[i]; ++j) {
      const uint32_t size = table.chunkSize[i][j];
      if (table.chunkOffset[i][j] != next || size > ChunkBufferSize || size > kWindowSize - *length) return true;
      *length += size;
      next += size;
      ++*count;
      check.nextFile = i;
      check.nextChunk = j + 1;
    }
  }
  return true;
}

// Checks one window of pieces; false when one is damaged or cannot be read.
bool CheckPieces(const PayloadTableRecord& table, unsigned char* window, int file, int chunk, uint32_t count,
                 uint32_t length) {
  if (count == 0 || !table.readPieces(table.chunkOffset[file][chunk], window, length)) return false;
  uint32_t at = 0;
  for (int i = file; count > 0; ++i) {
    for (int j = i == file ? chunk : 0; count > 0 && j < table.chunkCount[i]; ++j, --count) {
      if (PieceCheck(window + at, table.chunkSize[i][j]) != table.chunkCheck[i][j]) return false;
      at += table.chunkSize[i][j];
    }
  }
  return true;
}

// Under the lock. Claims the first segment of a data file no one has claimed: where it begins
// among all the data, its length, the number of its file, and its number among all segments.
// Returns false when none is left.
bool ClaimSegment(Check& check, uint64_t* offset, uint32_t* length, int* file, uint64_t* index) {
  const PayloadTableRecord& table = *check.table;
  while (check.nextDataFile < table.dataFileCount &&
         check.nextSegment * installer_data::kDataSegmentSize >= table.dataFileSize[check.nextDataFile]) {
    check.nextDataFileStart += table.dataFileSize[check.nextDataFile];
    ++check.nextDataFile;
    check.nextSegment = 0;
  }
  if (check.nextDataFile >= table.dataFileCount) return false;
  const uint64_t within = check.nextSegment * installer_data::kDataSegmentSize;
  const uint64_t left = table.dataFileSize[check.nextDataFile] - within;
  *offset = check.nextDataFileStart + within;
  *length = left < installer_data::kDataSegmentSize ? static_cast<uint32_t>(left) : installer_data::kDataSegmentSize;
  *file = check.nextDataFile;
  *index = check.nextSegmentIndex++;
  ++check.nextSegment;
  return true;
}

// Hashes the segment of `length` bytes at `offset`, a window at a time, and compares its digest,
// number `index`. False when it differs or cannot be read; true also when the check stopped on
// damage found elsewhere.
bool CheckSegment(Check& check, Checker& self, uint64_t offset, uint32_t length, uint64_t index, bool caller) {
  const PayloadTableRecord& table = *check.table;
  Sha256State state;
  Sha256Start(&state);
  for (uint32_t done = 0; done < length;) {
    const uint32_t part = length - done < kWindowSize ? length - done : kWindowSize;
    if (!table.readPieces(offset + done, self.window, part)) return false;
    Sha256Add(&state, self.window, part);
    done += part;
    Lock(check);
    check.checkedBytes += part;
    const bool stop = check.damaged;
    Unlock(check);
    if (stop) return true;
    if (caller) Report(check);
  }
  unsigned char digest[kSha256Size];
  Sha256Finish(&state, digest);
  return memcmp(digest, table.dataSegmentDigest + static_cast<size_t>(kSha256Size) * index, kSha256Size) == 0;
}

// Every thread's body: claims windows of pieces, or segments of data files, until none is left or
// damage is found.
void CheckUntilDone(Checker& self, bool caller) {
  Check& check = *self.check;
  const PayloadTableRecord& table = *check.table;
  for (;;) {
    Lock(check);
    int file = 0, chunk = 0;
    uint32_t count = 0, length = 0;
    uint64_t offset = 0, index = 0;
    const bool claimed = check.damaged                ? false
                         : table.dataFileCount > 0 ? ClaimSegment(check, &offset, &length, &file, &index)
                                                   : ClaimPieces(check, &file, &chunk, &count, &length);
    Unlock(check);
    if (!claimed) return;

    if (table.dataFileCount > 0) {
      if (!CheckSegment(check, self, offset, length, index, caller)) {
        Lock(check);
        check.damaged = true;
        if (check.damagedDataFile < 0 || file < check.damagedDataFile) check.damagedDataFile = file;
        Unlock(check);
      }
      continue;
    }
    const bool intact = CheckPieces(table, self.window, file, chunk, count, length);
    Lock(check);
    if (intact) check.checkedBytes += length;
    check.damaged = check.damaged || !intact;
    Unlock(check);
    if (caller && intact) Report(check);
  }
}

void CheckOnThread(void* argument) {
  Checker& self = *static_cast<Checker*>(argument);
  CheckUntilDone(self, false);
  Lock(*self.check);
  --self.check->running;
  Unlock(*self.check);
}

int damagedDataFile = -1;

}  // namespace

PayloadCheck CheckPayload(void* context, ProgressCallback callback) {
  const PayloadTableRecord& table = PayloadTable;
  damagedDataFile = -1;
  Check check = {};
  check.table = &table;
  check.callback = callback;
  check.context = context;
  check.damagedDataFile = -1;
  // Every piece is checked, an empty one too (it cannot be a zlib stream): only a payload without
  // pieces has nothing to check.
  bool anyPiece = false;
  for (int i = 0; i < table.fileCount; ++i) {
    anyPiece = anyPiece || table.chunkCount[i] > 0;
    for (int j = 0; j < table.chunkCount[i]; ++j) check.totalBytes += table.chunkSize[i][j];
  }
  if (!anyPiece) return PayloadIntact;

  Checker checkers[kMostCheckers] = {};
  Checker& caller = checkers[kMostCheckers - 1];
  caller.check = &check;
  caller.window = static_cast<unsigned char*>(AllocateMemory(kWindowSize));
  if (caller.window == nullptr) return PayloadNoMemory;
  // A data file that is missing, or of another length, is found before gigabytes of the others
  // are hashed: reading its first byte fails.
  uint64_t start = 0;
  for (int k = 0; k < table.dataFileCount; ++k) {
    if (!table.readPieces(start, caller.window, 1)) {
      FreeMemory(caller.window);
      damagedDataFile = k;
      return PayloadDataFileDamaged;
    }
    start += table.dataFileSize[k];
  }

  // The other threads, as many as processors, windows and the work allow.
  int most = ProcessorCount();
  if (most > kMostCheckers) most = kMostCheckers;
  if (check.totalBytes <= kWindowSize) most = 1;
  if (most > 1) check.lock = CreateLock();
  int started = 0;
  for (int t = 0; check.lock != nullptr && t < most - 1; ++t) {
    Checker& other = checkers[t];
    other.check = &check;
    other.window = static_cast<unsigned char*>(AllocateMemory(kWindowSize));
    if (other.window == nullptr) break;
    Lock(check);
    ++check.running;
    Unlock(check);
    other.thread = StartThread(CheckOnThread, &other);
    if (other.thread == nullptr) {
      Lock(check);
      --check.running;
      Unlock(check);
      FreeMemory(other.window);
      other.window = nullptr;
      break;
    }
    ++started;
  }

  CheckUntilDone(caller, true);
  // Nothing left to claim: the window still follows the others until they are done.
  for (;;) {
    Lock(check);
    const int running = check.running;
    Unlock(check);
    if (running == 0) break;
    Report(check);
    SleepMilliseconds(kReportMilliseconds);
  }
  for (int t = 0; t < started; ++t) {
    JoinThread(checkers[t].thread);
    FreeMemory(checkers[t].window);
  }
  FreeMemory(caller.window);
  DestroyLock(check.lock);

  if (check.damaged) {
    damagedDataFile = check.damagedDataFile;
    return table.dataFileCount > 0 ? PayloadDataFileDamaged : PayloadDamaged;
  }
  if (callback != nullptr) callback(context, "", 100);
  return PayloadIntact;
}

int DamagedDataFile() { return damagedDataFile; }
