// Fuzzes the piece decoder path: arbitrary bytes as the compressed pieces of a payload table go
// through the integrity check and extraction into a scratch folder. Nothing may read or write
// outside the pieces and the buffers; pieces that pass the check with their recorded
// checksums come out as exactly what one-shot inflation of each gives.
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "payload/extract.h"
#include "payload/payload_check.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string work = fuzz::ScratchFolder() + "/work";
  fuzz::Input input = {data, size};
  const int fileCount = 1 + input.Byte() % 3;
  const bool damageCheck = input.Byte() & 1;

  std::vector<std::vector<unsigned char*>> pieceRows(fileCount);
  std::vector<std::vector<uint32_t>> sizeRows(fileCount);
  std::vector<std::vector<uint64_t>> offsetRows(fileCount);
  std::string flat;
  std::vector<std::vector<uint64_t>> checkRows(fileCount);
  std::vector<const uint64_t*> chunkOffset(fileCount);
  std::vector<const uint32_t*> chunkSize(fileCount);
  std::vector<const uint64_t*> chunkCheck(fileCount);
  std::vector<int32_t> chunkCount(fileCount);
  const char* names[] = {"a.bin", "b.bin", "c.bin"};
  std::vector<std::string> expected(fileCount);
  bool allInflate = true;
  bool allFit = true;  // no piece is longer than a buffer: the installer refuses one that is
  for (int i = 0; i < fileCount; ++i) {
    const int pieces = input.Byte() % 4;
    for (int j = 0; j < pieces; ++j) {
      const size_t length = input.Byte() << 8 | input.Byte();
      std::string bytes;
      for (size_t k = 0; k < length && input.size > 0; ++k) bytes.push_back(static_cast<char>(input.Byte()));
      unsigned char* block = static_cast<unsigned char*>(malloc(bytes.size() + 1));
      memcpy(block, bytes.data(), bytes.size());
      offsetRows[i].push_back(flat.size());
      flat += bytes;
      pieceRows[i].push_back(block);
      sizeRows[i].push_back(static_cast<uint32_t>(bytes.size()));
      checkRows[i].push_back(PieceCheck(block, bytes.size()) ^ (damageCheck ? 1 : 0));
      std::vector<unsigned char> out(ChunkBufferSize);
      uLongf produced = ChunkBufferSize;
      allFit = allFit && bytes.size() <= ChunkBufferSize;
      if (bytes.size() <= ChunkBufferSize && uncompress(out.data(), &produced, block, bytes.size()) == Z_OK) {
        expected[i].append(reinterpret_cast<char*>(out.data()), produced);
      } else {
        allInflate = false;
      }
    }
    chunkOffset[i] = offsetRows[i].data();
    chunkSize[i] = sizeRows[i].data();
    chunkCheck[i] = checkRows[i].data();
    chunkCount[i] = static_cast<int32_t>(pieceRows[i].size());
  }
  // The pieces back to back in one heap block of exactly their size, as an installer's data lies
  // in its file.
  const std::vector<unsigned char> allPieces(flat.begin(), flat.end());
  fuzz::UsePieces(allPieces.data(), allPieces.size());
  fuzz::Table = {fileCount, chunkOffset.data(), chunkSize.data(), names, chunkCount.data(), chunkCheck.data(),
                 fuzz::ReadPieces};

  bool anyPiece = false;
  for (int i = 0; i < fileCount; ++i) anyPiece = anyPiece || chunkCount[i] > 0;
  if ((CheckPayload() == PayloadIntact) != (!(damageCheck && anyPiece) && allFit)) abort();

  if (chdir(work.c_str()) != 0) abort();
  const ExtractStatus status = ExtractPayload(nullptr, nullptr);
  if (allInflate) {
    if (status != ExtractComplete) abort();
    for (int i = 0; i < fileCount; ++i) {
      FILE* file = fopen(names[i], "rb");
      if (file == nullptr) abort();
      std::string written;
      char block[4096];
      size_t count;
      while ((count = fread(block, 1, sizeof block, file)) > 0) written.append(block, count);
      fclose(file);
      if (written != expected[i]) abort();
    }
  } else if (status != ExtractDamaged) {
    abort();
  }
  if (RollBackExtraction(nullptr, nullptr) != 4) abort();
  for (const char* name : names) {
    if (access(name, F_OK) == 0) abort();
  }

  for (const auto& row : pieceRows) {
    for (unsigned char* block : row) free(block);
  }
  fuzz::Table = {0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
  fuzz::RestoreDirectory();
  return 0;
}
