// Extraction of the payload and its rollback. Every piece is a zlib stream of its own, so pieces
// are read and inflated on every core at once, each into buffers of its own, while the caller's
// thread creates the files, writes the pieces and reports progress in table order.
#include "payload/extract.h"

#include <string.h>
#include <zlib.h>

#include "platform/files.h"
#include "platform/system.h"
#include "platform/threads.h"
#include "product/names.h"

namespace {

// At most this many threads inflate, the caller's among them. One thread writes everything: on
// the benchmark machine handing 100 MB to the file system took that thread 0.05-0.09 s against
// 0.25 s of inflating, so beyond four to eight inflating threads the writer, not inflating,
// would set the pace. The cap also bounds the buffers and stacks of a many-core machine.
const int kMostInflaters = 8;

// Buffers per inflating thread. With one each, a thread that has inflated a piece idles until
// the writer has taken it. The caller's thread writes, and inflates too when it has nothing to
// write; while it inflates a slow piece (text inflates slower than stored media) the others go
// on only as far as the free buffers reach. With four each, the thread besides the caller's on
// two cores ran out of buffers 30-60 times per 100 MB; with two, 130-290 times.
const int kBuffersPerInflater = 4;
const int kMostBuffers = kMostInflaters * kBuffersPerInflater;

int PercentBefore(int index, int count) { return count > 0 ? (index * 100) / count : 0; }

// Pieces are numbered in table order across all files. Piece n is inflated into buffer
// n % bufferCount, which it has to itself from when it is claimed until the writer has written
// it; so no piece is claimed more than bufferCount ahead of the one the writer waits for.
struct Buffer {
  unsigned char* bytes;
  unsigned char* packed;  // the piece as read, ChunkBufferSize bytes after `bytes`
  uLongf produced;  // the length the piece inflated to
  bool intact;      // it inflated whole
  bool inflated;    // it holds a piece the writer has not taken yet (under the lock)
};

struct Pipeline;

// A thread that inflates pieces, and the event it sleeps on while every buffer is taken.
struct Inflater {
  Pipeline* pipeline;
  ThreadHandle thread;
  EventHandle wake;
  bool asleep;  // under the lock
};

struct Pipeline {
  const PayloadTableRecord* table;
  Buffer buffers[kMostBuffers];
  int bufferCount;
  Inflater inflaters[kMostInflaters - 1];  // the caller's thread is the last inflater
  int inflaterCount;
  LockHandle lock;  // null when the caller's thread works alone: there is no one to exclude
  EventHandle writerWake;
  // Under the lock:
  int nextFile, nextChunk;  // the first piece no one has claimed
  int claimed;              // pieces claimed so far: the number of that piece
  int written;              // pieces written so far: the number of the one the writer waits for
  bool writerAsleep;
  bool stopping;
};

// A claimed piece: where its compressed bytes are and the buffer it inflates into.
struct Claim {
  uint64_t offset;
  uint32_t size;
  Buffer* buffer;
};

void Lock(Pipeline& pipeline) {
  if (pipeline.lock != nullptr) AcquireLock(pipeline.lock);
}

void Unlock(Pipeline& pipeline) {
  if (pipeline.lock != nullptr) ReleaseLock(pipeline.lock);
}

// Under the lock. True while some piece is unclaimed; moves past files with no piece left.
bool PieceLeftToClaim(Pipeline& pipeline) {
  const PayloadTableRecord& table = *pipeline.table;
  while (pipeline.nextFile < table.fileCount && pipeline.nextChunk >= table.chunkCount[pipeline.nextFile]) {
    ++pipeline.nextFile;
    pipeline.nextChunk = 0;
  }
  return pipeline.nextFile < table.fileCount;
}

// Under the lock. Claims the first unclaimed piece when there is one and its buffer is free.
bool ClaimPiece(Pipeline& pipeline, Claim* claim) {
  if (!PieceLeftToClaim(pipeline) || pipeline.claimed - pipeline.written == pipeline.bufferCount) return false;
  const PayloadTableRecord& table = *pipeline.table;
  claim->offset = table.chunkOffset[pipeline.nextFile][pipeline.nextChunk];
  claim->size = table.chunkSize[pipeline.nextFile][pipeline.nextChunk];
  claim->buffer = &pipeline.buffers[pipeline.claimed % pipeline.bufferCount];
  ++pipeline.nextChunk;
  ++pipeline.claimed;
  return true;
}

// Without the lock: the claim gives the buffer to this thread alone. A piece that cannot be read
// counts as one that does not inflate.
void Inflate(const PayloadTableRecord& table, const Claim& claim) {
  uLongf produced = ChunkBufferSize;
  claim.buffer->intact = claim.size <= ChunkBufferSize &&
                         table.readPieces(claim.offset, claim.buffer->packed, claim.size) &&
                         uncompress(claim.buffer->bytes, &produced, claim.buffer->packed, claim.size) == Z_OK;
  claim.buffer->produced = claim.buffer->intact ? produced : 0;
}

// The body of every inflating thread but the caller's: claim, inflate, hand over, until no
// piece is left or the writer stops.
void InflatePieces(void* argument) {
  Inflater& self = *static_cast<Inflater*>(argument);
  Pipeline& pipeline = *self.pipeline;
  AcquireLock(pipeline.lock);
  while (!pipeline.stopping && PieceLeftToClaim(pipeline)) {
    Claim claim;
    if (!ClaimPiece(pipeline, &claim)) {
      // Every buffer is taken: sleep until the writer has freed half of them (FreeBuffer) or
      // stops.
      self.asleep = true;
      ReleaseLock(pipeline.lock);
      WaitForEvent(self.wake);
      AcquireLock(pipeline.lock);
      continue;
    }
    ReleaseLock(pipeline.lock);
    Inflate(*pipeline.table, claim);
    AcquireLock(pipeline.lock);
    claim.buffer->inflated = true;
    // Wake the writer only for the piece it sleeps on: an event costs a system call (under Wine
    // a round trip to its server), and the writer takes every piece after it without sleeping.
    if (pipeline.writerAsleep && claim.buffer == &pipeline.buffers[pipeline.written % pipeline.bufferCount]) {
      pipeline.writerAsleep = false;
      ReleaseLock(pipeline.lock);
      SignalEvent(pipeline.writerWake);
      AcquireLock(pipeline.lock);
    }
  }
  ReleaseLock(pipeline.lock);
}

// Waits until the piece the writer is at has been inflated and returns its buffer. The caller's
// thread does not idle meanwhile: it inflates the first unclaimed piece itself (the one it
// waits for, when no thread has claimed it; with no thread, every piece, one after the other).
Buffer& TakeNextPiece(Pipeline& pipeline) {
  Lock(pipeline);
  Buffer& next = pipeline.buffers[pipeline.written % pipeline.bufferCount];
  while (!next.inflated) {
    Claim claim;
    if (ClaimPiece(pipeline, &claim)) {
      Unlock(pipeline);
      Inflate(*pipeline.table, claim);
      Lock(pipeline);
      claim.buffer->inflated = true;
    } else {
      // The piece is claimed by a thread that is inflating it; it wakes this one when done.
      pipeline.writerAsleep = true;
      Unlock(pipeline);
      WaitForEvent(pipeline.writerWake);
      Lock(pipeline);
    }
  }
  Unlock(pipeline);
  return next;
}

// Gives a written piece's buffer back. Threads that sleep for want of a buffer are woken once
// half the buffers are free, not for each one: each then finds several pieces to claim, where a
// thread woken for one buffer would inflate one piece and sleep again, a system call each time
// (under Wine a round trip to its server).
void FreeBuffer(Pipeline& pipeline, Buffer& buffer) {
  Inflater* sleepers[kMostInflaters];
  int sleeperCount = 0;
  Lock(pipeline);
  buffer.inflated = false;
  ++pipeline.written;
  if (pipeline.claimed - pipeline.written <= pipeline.bufferCount / 2) {
    for (int i = 0; i < pipeline.inflaterCount; ++i) {
      if (!pipeline.inflaters[i].asleep) continue;
      pipeline.inflaters[i].asleep = false;
      sleepers[sleeperCount++] = &pipeline.inflaters[i];
    }
  }
  Unlock(pipeline);
  for (int i = 0; i < sleeperCount; ++i) SignalEvent(sleepers[i]->wake);
}

// Allocates the buffers and starts the threads: as many threads as there are processors, up
// to kMostInflaters, with kBuffersPerInflater buffers each; on one processor the caller's thread
// alone with one buffer, as before there were threads. What cannot be had is done without:
// threads that do not start, buffers that cannot be allocated (every thread needs one to
// inflate into and the writer one to write from). Returns false when not even one buffer can be
// had. At most, from eight processors up: 32 pairs of buffers of 32,000 bytes (a piece as read
// and inflated), zlib's inflate state (7 KB) in each of 8 threads during a piece, and 7 reserved
// stacks of 64 KiB, about 2.5 MB; on two processors 8 pairs, 2 inflate states and 1 stack, about
// 590 KB. None of it grows with the product.
bool StartPipeline(Pipeline& pipeline) {
  int inflaters = ProcessorCount();
  if (inflaters > kMostInflaters) inflaters = kMostInflaters;
  if (inflaters < 1) inflaters = 1;
  const int wanted = inflaters == 1 ? 1 : inflaters * kBuffersPerInflater;
  while (pipeline.bufferCount < wanted) {
    unsigned char* bytes = static_cast<unsigned char*>(AllocateMemory(size_t{2} * ChunkBufferSize));
    if (bytes == nullptr) break;
    pipeline.buffers[pipeline.bufferCount].bytes = bytes;
    pipeline.buffers[pipeline.bufferCount++].packed = bytes + ChunkBufferSize;
  }
  if (pipeline.bufferCount == 0) return false;

  int threads = inflaters - 1;
  if (threads > pipeline.bufferCount - 1) threads = pipeline.bufferCount - 1;
  if (threads == 0) return true;
  pipeline.lock = CreateLock();
  pipeline.writerWake = CreateWakeEvent();
  if (pipeline.lock == nullptr || pipeline.writerWake == nullptr) return true;
  while (pipeline.inflaterCount < threads) {
    Inflater& inflater = pipeline.inflaters[pipeline.inflaterCount];
    inflater.pipeline = &pipeline;
    inflater.wake = CreateWakeEvent();
    if (inflater.wake == nullptr) break;
    inflater.thread = StartThread(InflatePieces, &inflater);
    if (inflater.thread == nullptr) {
      DestroyWakeEvent(inflater.wake);
      break;
    }
    ++pipeline.inflaterCount;
  }
  return true;
}

// Stops the threads, waits until every one has ended (one piece at most each), and releases
// what StartPipeline got.
void StopPipeline(Pipeline& pipeline) {
  Lock(pipeline);
  pipeline.stopping = true;
  Unlock(pipeline);
  for (int i = 0; i < pipeline.inflaterCount; ++i) {
    SignalEvent(pipeline.inflaters[i].wake);
    JoinThread(pipeline.inflaters[i].thread);
    DestroyWakeEvent(pipeline.inflaters[i].wake);
  }
  DestroyWakeEvent(pipeline.writerWake);
  DestroyLock(pipeline.lock);
  for (int i = 0; i < pipeline.bufferCount; ++i) FreeMemory(pipeline.buffers[i].bytes);
}

// What this run did to each file of the table, for the rollback: nothing yet, created it where
// there was none, or replaced a file of an earlier installation, which was set aside under
// ReplacedName and goes back on a rollback. From the heap, a byte per file; null when no run
// started.
enum FileState : unsigned char {
  FileUntouched = 0,
  FileCreated = 1,
  FileReplaced = 2,      // its earlier copy is set aside
  FileAsideLeft = 3,     // after a complete run: its earlier copy could not be deleted
};
unsigned char* fileStates = nullptr;
int fileStateCount = 0;

// The set-aside name of one file at a time, after the states in their block: room for the table's
// longest name and the suffix.
char* asideName = nullptr;

// True while the folder of the file being written was created by this run: no file of an earlier
// installation can be in it, so the file system is not asked.
bool inNewFolder = false;

// The folders this run created below the current directory, in the order it created them, so
// that each comes after the folder holding it. A folder is kept as the file whose path first
// needed it and the length of the folder's part of that path: the table holds the text.
struct CreatedFolder {
  int32_t file;
  uint32_t length;
};
CreatedFolder* createdFolders = nullptr;
int createdFolderCount = 0;
int createdFolderRoom = 0;

// One folder's path at a time, zero-terminated for the file services: room for the longest
// name of the table, from the heap (a static buffer of the longest path would take 31 KB of the
// program's file).
char* folderPath = nullptr;

const char* FolderPath(const char* path, size_t length) {
  memcpy(folderPath, path, length);
  folderPath[length] = '\0';
  return folderPath;
}

// Makes room in folderPath for the longest folder part of `table`'s paths; a table of bare names
// needs none and allocates nothing. False when there is no memory for it.
bool RoomForFolderPaths(const PayloadTableRecord& table) {
  size_t longest = 0;
  for (int i = 0; i < table.fileCount; ++i) {
    const char* last = strrchr(table.fileName[i], '\\');
    if (last != nullptr && static_cast<size_t>(last - table.fileName[i]) > longest) {
      longest = static_cast<size_t>(last - table.fileName[i]);
    }
  }
  FreeMemory(folderPath);
  folderPath = nullptr;
  if (longest == 0) return true;
  folderPath = static_cast<char*>(AllocateMemory(longest + 1));
  return folderPath != nullptr;
}

// Makes room for a state per file of `table`, every one FileUntouched, and after them for its
// longest name set aside. False when there is no memory for them.
bool RoomForFileStates(const PayloadTableRecord& table) {
  size_t longest = 0;
  for (int i = 0; i < table.fileCount; ++i) {
    const size_t length = strlen(table.fileName[i]);
    if (length > longest) longest = length;
  }
  FreeMemory(fileStates);
  fileStateCount = 0;
  const size_t states = static_cast<size_t>(table.fileCount);
  fileStates = static_cast<unsigned char*>(AllocateMemory(states + longest + sizeof ReplacedSuffix));
  if (fileStates == nullptr) return false;
  memset(fileStates, FileUntouched, states);
  asideName = reinterpret_cast<char*>(fileStates + states);
  fileStateCount = table.fileCount;
  return true;
}

const char* AsideNameOf(const char* name) {
  const size_t length = strlen(name);
  memcpy(asideName, name, length + 1);
  memcpy(asideName + length, ReplacedSuffix, sizeof ReplacedSuffix);  // over the terminator, with its own
  return asideName;
}

// Before file `index` is written: a file of that name from an earlier installation is set aside
// (renamed in its folder, so no disk space is needed) for the rollback to put back. A file that
// could not be replaced (read-only, held open by a program that shares it with no writer) is not
// moved: its creation fails, as it would have over it. A directory of that name is left for the
// creation to fail on. False when the earlier file cannot be set aside. A file counts as the
// run's own (FileCreated) only once its creation succeeds: what was in the way of one that could
// not be created is not the rollback's to delete.
bool SetAsideEarlierFile(const PayloadTableRecord& table, int index) {
  const char* name = table.fileName[index];
  bool isDirectory = false;
  if (inNewFolder || QueryPath(name, &isDirectory) != 0 || isDirectory) return true;
  if (!FileOpensForWriting(name) || !ReplaceFileNamed(name, AsideNameOf(name))) return false;
  fileStates[index] = FileReplaced;
  return true;
}

// Makes sure the record has room for one more folder. False when no memory is left for it.
bool RoomForOneMoreFolder() {
  if (createdFolderCount < createdFolderRoom) return true;
  const int room = createdFolderRoom == 0 ? 64 : createdFolderRoom * 2;
  CreatedFolder* grown = static_cast<CreatedFolder*>(AllocateMemory(sizeof(CreatedFolder) * static_cast<size_t>(room)));
  if (grown == nullptr) return false;
  if (createdFolderCount > 0) memcpy(grown, createdFolders, sizeof(CreatedFolder) * static_cast<size_t>(createdFolderCount));
  FreeMemory(createdFolders);
  createdFolders = grown;
  createdFolderRoom = room;
  return true;
}

// Creates the folders of file `index`'s path that are missing, outermost first, and records
// those it created. Folders that file `index - 1` shares are skipped without asking the file
// system (a tree's files come folder by folder). A folder that exists is left as it is and not
// recorded: it is not this run's. One that cannot be created is left for the file's own creation
// to fail on. False only when no memory is left to record a folder, before it is created.
bool MakeFoldersOf(const PayloadTableRecord& table, int index) {
  const char* path = table.fileName[index];
  const size_t shared = index > 0 ? SharedFolderLength(path, table.fileName[index - 1]) : 0;
  const char* last = strrchr(path, '\\');
  // A file in the same folder as the one before it is in a new folder when that one was.
  if (last == nullptr || static_cast<size_t>(last - path) != shared) inNewFolder = false;
  for (const char* separator = strchr(path + shared + (shared > 0 ? 1 : 0), '\\'); separator != nullptr;
       separator = strchr(separator + 1, '\\')) {
    const size_t length = static_cast<size_t>(separator - path);
    if (!RoomForOneMoreFolder()) return false;
    inNewFolder = CreateDirectoryLevel(FolderPath(path, length)) == 0;
    if (inNewFolder) {
      createdFolders[createdFolderCount].file = index;
      createdFolders[createdFolderCount].length = static_cast<uint32_t>(length);
      ++createdFolderCount;
    }
  }
  return true;
}

// The writer: every file and every write, in table order, on the caller's thread.
ExtractStatus WriteFiles(Pipeline& pipeline, void* context, ProgressCallback callback) {
  const PayloadTableRecord& table = *pipeline.table;
  for (int i = 0; i < table.fileCount; ++i) {
    if (callback != nullptr) callback(context, table.fileName[i], PercentBefore(i, table.fileCount));
    if (!MakeFoldersOf(table, i)) return ExtractNoMemory;
    if (!SetAsideEarlierFile(table, i)) return ExtractCannotCreate;
    OutputFile file = CreateOutputFile(table.fileName[i]);
    if (file == nullptr) return ExtractCannotCreate;
    if (fileStates[i] == FileUntouched) fileStates[i] = FileCreated;
    for (int j = 0; j < table.chunkCount[i]; ++j) {
      Buffer& piece = TakeNextPiece(pipeline);
      // A piece that does not inflate whole means the installer was damaged after its checksum
      // was verified (or in a way the checksum cannot see); stop rather than write garbage.
      if (!piece.intact) {
        CloseOutputFile(file);
        return ExtractDamaged;
      }
      if (WriteOutputFile(file, piece.bytes, piece.produced) != piece.produced) {
        CloseOutputFile(file);
        return ExtractWriteFailed;
      }
      FreeBuffer(pipeline, piece);
    }
    CloseOutputFile(file);
  }
  if (callback != nullptr) callback(context, "", 100);
  return ExtractComplete;
}

}  // namespace

ExtractStatus ExtractPayload(void* context, ProgressCallback callback) {
  Pipeline pipeline = {};
  pipeline.table = &PayloadTable;
  createdFolderCount = 0;
  inNewFolder = false;
  if (!RoomForFolderPaths(PayloadTable) || !StartPipeline(pipeline)) return ExtractNoMemory;
  if (!RoomForFileStates(PayloadTable)) {
    StopPipeline(pipeline);
    return ExtractNoMemory;
  }
  const ExtractStatus status = WriteFiles(pipeline, context, callback);
  StopPipeline(pipeline);
  return status;
}

int RollBackExtraction(void* context, ProgressCallback callback) {
  const PayloadTableRecord& table = PayloadTable;
  int result = ExtractComplete;
  for (int i = 0; i < fileStateCount; ++i) {
    if (callback != nullptr) callback(context, table.fileName[i], PercentBefore(i, table.fileCount));
    const char* name = table.fileName[i];
    if (fileStates[i] == FileUntouched) continue;
    // What the run wrote goes (a file that did not even open may be absent: nothing to delete).
    if (FileOpensForReading(name) && !DeleteFileNamed(name)) {
      result = 0;
      break;
    }
    if (fileStates[i] == FileReplaced && !ReplaceFileNamed(AsideNameOf(name), name)) {
      result = 0;
      break;
    }
    fileStates[i] = FileUntouched;
  }
  RemoveCreatedFolders();
  fileStateCount = 0;
  if (result == ExtractComplete && callback != nullptr) callback(context, "", 100);
  return result;
}

int DiscardReplacedFiles() {
  int left = 0;
  for (int i = 0; i < fileStateCount; ++i) {
    if (fileStates[i] != FileReplaced) continue;
    if (DeleteFileNamed(AsideNameOf(PayloadTable.fileName[i]))) {
      fileStates[i] = FileCreated;
    } else {
      fileStates[i] = FileAsideLeft;
      ++left;
    }
  }
  return left;
}

const char* ReplacedCopyLeft(int index) {
  return index < fileStateCount && fileStates[index] == FileAsideLeft ? AsideNameOf(PayloadTable.fileName[index]) : nullptr;
}

int CreatedFolderCount() { return createdFolderCount; }

const char* CreatedFolderAt(int index, size_t* length) {
  *length = createdFolders[index].length;
  return PayloadTable.fileName[createdFolders[index].file];
}

void RemoveCreatedFolders() {
  // Innermost first: a folder was created after the one holding it.
  for (int k = createdFolderCount - 1; k >= 0; --k) {
    const CreatedFolder& folder = createdFolders[k];
    RemoveEmptyDirectory(FolderPath(PayloadTable.fileName[folder.file], folder.length));
  }
  createdFolderCount = 0;
}
