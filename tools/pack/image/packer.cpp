// Cutting product files into 30,000-byte pieces and compressing them in parallel into one blob.
#include "tools/pack/image/packer.h"

#include <errno.h>
#include <string.h>
#include <unistd.h>
#include <zlib.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "tools/pack/common/file_io.h"
#include "tools/pack/description/product.h"
#include "product/payload_table.h"

namespace {

// One piece in flight: read by the main thread, compressed by a worker, written by the main
// thread. A slot is reused only after its previous piece has been written.
struct Slot {
  std::vector<unsigned char> input;
  std::vector<unsigned char> output;
  size_t inputSize = 0;
  size_t outputSize = 0;
  uint64_t check = 0;
  int file = 0;
  bool done = false;
  bool failed = false;
};

// Shared between the main thread and the workers; every field below `mutex` is guarded by it.
struct Pipeline {
  std::vector<Slot> slots;
  std::mutex mutex;
  std::condition_variable workReady;
  std::condition_variable pieceDone;
  uint64_t submitted = 0;  // pieces handed to the workers
  uint64_t claimed = 0;    // pieces a worker has taken
  bool closing = false;
};

// Worker body: compresses claimed pieces until the pipeline closes. One z_stream per worker,
// reset between pieces, because a fresh stream per piece costs a quarter megabyte of
// allocation each time; a reset stream produces the same bytes as a fresh one.
void CompressPieces(Pipeline* pipeline) {
  z_stream stream;
  memset(&stream, 0, sizeof stream);
  const bool ready = deflateInit(&stream, Z_DEFAULT_COMPRESSION) == Z_OK;
  for (;;) {
    std::unique_lock<std::mutex> lock(pipeline->mutex);
    pipeline->workReady.wait(lock, [&] {
      return pipeline->closing || pipeline->claimed < pipeline->submitted;
    });
    if (pipeline->closing) break;
    Slot& slot = pipeline->slots[pipeline->claimed++ % pipeline->slots.size()];
    lock.unlock();

    bool ok = ready && deflateReset(&stream) == Z_OK;
    if (ok) {
      stream.next_in = slot.input.data();
      stream.avail_in = (uInt)slot.inputSize;
      stream.next_out = slot.output.data();
      stream.avail_out = (uInt)slot.output.size();
      ok = deflate(&stream, Z_FINISH) == Z_STREAM_END;
    }
    slot.outputSize = ok ? (size_t)stream.total_out : 0;
    slot.check = ok ? PieceCheck(slot.output.data(), slot.outputSize) : 0;

    lock.lock();
    slot.done = true;
    slot.failed = !ok;
    pipeline->pieceDone.notify_all();
  }
  if (ready) deflateEnd(&stream);
}

}  // namespace

bool MeasureSource(const std::string& path, uint64_t* size, std::string* error) {
  // Never blocks on a named pipe given as a source: it is refused below instead of hanging the
  // build until some writer appears.
  const int fd = OpenForReading(path);
  if (fd < 0) {
    *error = "cannot open " + path + ": " + strerror(errno);
    return false;
  }
  std::string problem;
  const bool regular = RegularFileSize(fd, size, &problem);
  close(fd);
  if (!regular) {
    *error = path + " " + problem;
    return false;
  }
  return true;
}

bool FilePieceOutput::Append(const unsigned char* bytes, size_t size, std::string* error) {
  if (!WriteAll(fd_, bytes, size)) {
    *error = "cannot write " + path_ + ": " + strerror(errno);
    return false;
  }
  written_ += size;
  if (written_ > kMaxPayloadBytes) {
    *error = "the compressed payload passes 4,294,967,288 bytes, more than one installer file "
             "holds (its signature must begin within its first 4 GiB; --data-files puts the data beside it)";
    return false;
  }
  return true;
}

bool PackPayload(const std::vector<PackSource>& sources, int outFd, const std::string& outPath,
                 int threads, PackedPayload* payload, int* failedFile, std::string* error) {
  FilePieceOutput output(outFd, outPath);
  return PackPayload(sources, &output, threads, payload, failedFile, error);
}

bool PackPayload(const std::vector<PackSource>& sources, PieceOutput* output, int threads, PackedPayload* payload,
                 int* failedFile, std::string* error) {
  if (threads < 1) threads = 1;
  payload->files.assign(sources.size(), std::vector<PackedPiece>());
  payload->totalBytes = 0;
  *failedFile = -1;

  // A few pieces per worker keep every worker busy while the main thread reads and writes;
  // the bound keeps memory flat however large the product.
  Pipeline pipeline;
  pipeline.slots.resize((size_t)threads * 4);
  for (Slot& slot : pipeline.slots) {
    slot.input.resize(kPieceSize);
    slot.output.resize(compressBound(kPieceSize) + 64);
  }
  std::vector<std::thread> workers;
  workers.reserve((size_t)threads);
  for (int i = 0; i < threads; ++i) workers.emplace_back(CompressPieces, &pipeline);
  auto stopWorkers = [&] {
    {
      std::lock_guard<std::mutex> lock(pipeline.mutex);
      pipeline.closing = true;
    }
    pipeline.workReady.notify_all();
    for (std::thread& worker : workers) worker.join();
  };
  auto fail = [&](int file, const std::string& message) {
    stopWorkers();
    *failedFile = file;
    *error = message;
    return false;
  };

  // Waits for the oldest piece in flight and appends it to the blob.
  uint64_t written = 0;
  std::string retireError;
  int retireFile = -1;
  auto retireOldest = [&]() -> bool {
    Slot& slot = pipeline.slots[written % pipeline.slots.size()];
    {
      std::unique_lock<std::mutex> lock(pipeline.mutex);
      pipeline.pieceDone.wait(lock, [&] { return slot.done; });
      slot.done = false;
    }
    if (slot.failed) {
      retireFile = slot.file;
      retireError = "zlib failed to compress a piece";
      return false;
    }
    if (!output->Append(slot.output.data(), slot.outputSize, &retireError)) return false;
    PackedPiece piece;
    piece.offset = payload->totalBytes;
    piece.size = (uint32_t)slot.outputSize;
    piece.check = slot.check;
    payload->files[slot.file].push_back(piece);
    payload->totalBytes += slot.outputSize;
    ++written;
    return true;
  };

  for (size_t i = 0; i < sources.size(); ++i) {
    const PackSource& source = sources[i];
    // Opened the way MeasureSource opens it: the path may have become a pipe since.
    const int fd = OpenForReading(source.path);
    if (fd < 0) return fail((int)i, "cannot open " + source.path + ": " + strerror(errno));
    const std::string changed = source.path + " changed size while being read";
    uint64_t size = 0;
    std::string problem;
    if (!RegularFileSize(fd, &size, &problem) || size != source.size) {
      close(fd);
      return fail((int)i, changed);
    }
    uint64_t remaining = source.size;
    while (remaining > 0) {
      if (pipeline.submitted - written == pipeline.slots.size() && !retireOldest()) {
        close(fd);
        return fail(retireFile, retireError);
      }
      Slot& slot = pipeline.slots[pipeline.submitted % pipeline.slots.size()];
      const size_t want = remaining < kPieceSize ? (size_t)remaining : (size_t)kPieceSize;
      const long long got = ReadFully(fd, slot.input.data(), want);
      if (got < 0) {
        const std::string message = "cannot read " + source.path + ": " + strerror(errno);
        close(fd);
        return fail((int)i, message);
      }
      if ((size_t)got != want) {
        close(fd);
        return fail((int)i, changed);
      }
      slot.inputSize = want;
      slot.file = (int)i;
      {
        std::lock_guard<std::mutex> lock(pipeline.mutex);
        ++pipeline.submitted;
      }
      pipeline.workReady.notify_one();
      remaining -= want;
    }
    // A file that grew after it was measured would be cut short silently.
    unsigned char extra;
    const long long more = ReadFully(fd, &extra, 1);
    close(fd);
    if (more != 0) return fail((int)i, changed);
  }
  while (written < pipeline.submitted) {
    if (!retireOldest()) return fail(retireFile, retireError);
  }
  stopWorkers();
  return true;
}
