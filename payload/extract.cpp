// Extraction of the compiled-in payload and its rollback.
#include "payload/extract.h"

#include <zlib.h>

#include "platform/files.h"
#include "platform/system.h"

namespace {

// One buffer serves every piece. It is allocated at the start of each extraction and kept until
// the process ends (a process extracts once; a second call only releases the first buffer).
unsigned char* chunkBuffer = nullptr;

int PercentBefore(int index, int count) { return count > 0 ? (index * 100) / count : 0; }

}  // namespace

bool PayloadIsIntact() {
  const PayloadTableRecord& table = PayloadTable;
  for (int i = 0; i < table.fileCount; ++i) {
    for (int j = 0; j < table.chunkCount[i]; ++j) {
      if (PieceCheck(table.chunkData[i][j], table.chunkSize[i][j]) != table.chunkCheck[i][j]) return false;
    }
  }
  return true;
}

ExtractStatus ExtractPayload(void* context, ProgressCallback callback) {
  const PayloadTableRecord& table = PayloadTable;
  FreeMemory(chunkBuffer);
  chunkBuffer = static_cast<unsigned char*>(AllocateMemory(ChunkBufferSize));
  if (chunkBuffer == nullptr) return ExtractNoMemory;

  for (int i = 0; i < table.fileCount; ++i) {
    if (callback != nullptr) callback(context, table.fileName[i], PercentBefore(i, table.fileCount));
    OutputFile file = CreateOutputFile(table.fileName[i]);
    if (file == nullptr) return ExtractCannotCreate;
    for (int j = 0; j < table.chunkCount[i]; ++j) {
      uLongf produced = ChunkBufferSize;
      // A piece that does not inflate whole means the installer was damaged after its checksum
      // was verified (or in a way the checksum cannot see); stop rather than write garbage.
      if (uncompress(chunkBuffer, &produced, table.chunkData[i][j], table.chunkSize[i][j]) != Z_OK) {
        CloseOutputFile(file);
        return ExtractDamaged;
      }
      if (WriteOutputFile(file, chunkBuffer, produced) != produced) {
        CloseOutputFile(file);
        return ExtractWriteFailed;
      }
    }
    CloseOutputFile(file);
  }
  if (callback != nullptr) callback(context, "", 100);
  return ExtractComplete;
}

int RemovePayloadFiles(void* context, ProgressCallback callback) {
  const PayloadTableRecord& table = PayloadTable;
  for (int i = 0; i < table.fileCount; ++i) {
    if (callback != nullptr) callback(context, table.fileName[i], PercentBefore(i, table.fileCount));
    if (!FileOpensForReading(table.fileName[i])) continue;
    if (!DeleteFileNamed(table.fileName[i])) return 0;
  }
  if (callback != nullptr) callback(context, "", 100);
  return ExtractComplete;
}
