// Measures ExtractPayload over the payload of a benchmark installer against the limits of its
// algorithm (uncompress of the same pieces, no file I/O: on one core, and on every core the
// installer would use) and against `tar -xzf`, side by side.
//
//   extract_bench --installer FILE --work DIR [--reps N] [--tar FILE.tar.gz] [--verify SOURCE_DIR]
//
// FILE is a native installer written by instpack (--target native); its payload is read as the
// installer program reads its own.
//
// Each repetition runs every contender once, in a rotating order, into a fresh folder under
// DIR (which should be on the filesystem a user would install to); the page cache is flushed
// (sync) before each timed run so that one contender's write-back does not land in another's
// time. Prints key/value lines: medians of seconds, and medians of the per-repetition ratios.
// The peak memory of one extraction is measured, not assumed: the heap by counting this
// process's malloc calls, the threads' stacks by counting its pthread_create calls.
// --verify compares the first extraction with the product's sources byte for byte; a name of a
// tree's file holds its folders with `\` between them, which the native installer writes as real
// folders, so they are read at the same path with `/`.
#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <malloc.h>
#include <pthread.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "bench/installer_file.h"
#include "payload/extract.h"
#include "payload/payload_check.h"
#include "platform/threads.h"

extern char** environ;

// --- heap accounting: glibc lets a program replace malloc and friends ----------------------
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void __libc_free(void*);
void* __libc_memalign(size_t, size_t);
}

namespace {
// Extraction allocates on several threads at once (zlib's inflate state, per piece).
std::atomic<long long> liveBytes{0};
std::atomic<long long> peakBytes{0};
void Count(void* block, bool add) {
  if (block == nullptr) return;
  const long long size = (long long)malloc_usable_size(block);
  const long long live = (liveBytes += add ? size : -size);
  long long peak = peakBytes.load();
  while (live > peak && !peakBytes.compare_exchange_weak(peak, live)) {
  }
}
}  // namespace

extern "C" {
void* malloc(size_t size) {
  void* block = __libc_malloc(size);
  Count(block, true);
  return block;
}
void* calloc(size_t count, size_t size) {
  void* block = __libc_calloc(count, size);
  Count(block, true);
  return block;
}
void* realloc(void* old, size_t size) {
  Count(old, false);
  void* block = __libc_realloc(old, size);
  Count(block != nullptr ? block : old, true);
  return block;
}
void free(void* block) {
  Count(block, false);
  __libc_free(block);
}
void* memalign(size_t alignment, size_t size) {
  void* block = __libc_memalign(alignment, size);
  Count(block, true);
  return block;
}
void* aligned_alloc(size_t alignment, size_t size) { return memalign(alignment, size); }
int posix_memalign(void** out, size_t alignment, size_t size) {
  *out = memalign(alignment, size);
  return *out != nullptr ? 0 : ENOMEM;
}
}

// --- thread accounting: the threads started and the stack each reserves -------------------
namespace {
std::atomic<int> threadsStarted{0};
std::atomic<long long> stackBytes{0};
}  // namespace

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attributes, void* (*body)(void*),
                              void* argument) {
  typedef int (*Create)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
  static const Create create = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
  size_t stack = 0;
  pthread_attr_t defaults;
  if (attributes == nullptr && pthread_getattr_default_np(&defaults) == 0) {
    pthread_attr_getstacksize(&defaults, &stack);
    pthread_attr_destroy(&defaults);
  } else if (attributes != nullptr) {
    pthread_attr_getstacksize(attributes, &stack);
  }
  const int result = create(thread, attributes, body, argument);
  if (result == 0) {
    ++threadsStarted;
    stackBytes += (long long)stack;
  }
  return result;
}

namespace {

double Now() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (double)now.tv_sec + (double)now.tv_nsec * 1e-9;
}

// CPU seconds of this process so far (user and system).
double CpuNow() {
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return (double)usage.ru_utime.tv_sec + (double)usage.ru_utime.tv_usec * 1e-6 +
         (double)usage.ru_stime.tv_sec + (double)usage.ru_stime.tv_usec * 1e-6;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

bool RunProgram(const char* const* argv) {
  pid_t child;
  if (posix_spawnp(&child, argv[0], nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) return false;
  int status = 0;
  return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool RemoveTree(const std::string& path) {
  const char* argv[] = {"rm", "-rf", path.c_str(), nullptr};
  return RunProgram(argv);
}

// The limit: every piece read and inflated into one 32,000-byte buffer, nothing written.
uint64_t InflateAll(unsigned char* buffer) {
  uint64_t produced = 0;
  const PayloadTableRecord& table = PayloadTable;
  std::vector<unsigned char> packed(ChunkBufferSize);
  for (int i = 0; i < table.fileCount; ++i) {
    for (int j = 0; j < table.chunkCount[i]; ++j) {
      uLongf length = ChunkBufferSize;
      table.readPieces(table.chunkOffset[i][j], packed.data(), table.chunkSize[i][j]);
      uncompress(buffer, &length, packed.data(), table.chunkSize[i][j]);
      produced += length;
    }
  }
  return produced;
}

// The limit on every core the installer would use: the same pieces, each thread taking the next
// one into a buffer of its own, nothing written.
void InflateAllOnCores(int threads) {
  const PayloadTableRecord& table = PayloadTable;
  std::vector<uint64_t> data;
  std::vector<uint32_t> sizes;
  for (int i = 0; i < table.fileCount; ++i) {
    for (int j = 0; j < table.chunkCount[i]; ++j) {
      data.push_back(table.chunkOffset[i][j]);
      sizes.push_back(table.chunkSize[i][j]);
    }
  }
  std::atomic<size_t> next{0};
  auto work = [&] {
    std::vector<unsigned char> buffer(ChunkBufferSize), packed(ChunkBufferSize);
    for (size_t k = next++; k < data.size(); k = next++) {
      uLongf length = ChunkBufferSize;
      table.readPieces(data[k], packed.data(), sizes[k]);
      uncompress(buffer.data(), &length, packed.data(), sizes[k]);
    }
  };
  std::vector<std::thread> helpers;
  for (int t = 1; t < threads; ++t) helpers.emplace_back(work);
  work();
  for (auto& helper : helpers) helper.join();
}

// A payload name (folders separated by `\`) as the path the native installer writes it at.
std::string PathOf(const char* name) {
  std::string path(name);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

bool SameFile(const std::string& a, const std::string& b) {
  FILE* fa = fopen(a.c_str(), "rb");
  FILE* fb = fopen(b.c_str(), "rb");
  bool same = fa != nullptr && fb != nullptr;
  static char ba[1 << 16], bb[1 << 16];
  while (same) {
    const size_t na = fread(ba, 1, sizeof ba, fa);
    const size_t nb = fread(bb, 1, sizeof bb, fb);
    same = na == nb && memcmp(ba, bb, na) == 0;
    if (na == 0) break;
  }
  if (fa) fclose(fa);
  if (fb) fclose(fb);
  return same;
}

}  // namespace

int main(int argc, char** argv) {
  std::string installer, work, tarball, verify;
  int reps = 5;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (strcmp(argv[i], "--installer") == 0) installer = argv[i + 1];
    else if (strcmp(argv[i], "--work") == 0) work = argv[i + 1];
    else if (strcmp(argv[i], "--reps") == 0) reps = std::max(1, atoi(argv[i + 1]));
    else if (strcmp(argv[i], "--tar") == 0) tarball = argv[i + 1];
    else if (strcmp(argv[i], "--verify") == 0) verify = argv[i + 1];
  }
  if (installer.empty() || work.empty()) {
    fprintf(stderr, "usage: extract_bench --installer FILE --work DIR [--reps N] [--tar FILE.tar.gz] "
                    "[--verify SOURCE_DIR]\n");
    return 2;
  }
  if (!LoadInstallerFile(installer)) return 1;
  mkdir(work.c_str(), 0777);
  char home[4096];
  if (getcwd(home, sizeof home) == nullptr) return 1;

  const PayloadTableRecord& table = PayloadTable;
  uint64_t pieces = 0, packed = 0;
  for (int i = 0; i < table.fileCount; ++i) {
    pieces += (uint64_t)table.chunkCount[i];
    for (int j = 0; j < table.chunkCount[i]; ++j) packed += table.chunkSize[i][j];
  }
  unsigned char* buffer = static_cast<unsigned char*>(malloc(ChunkBufferSize));
  const uint64_t original = InflateAll(buffer);  // also warms the table's pages
  printf("files %d\npieces %llu\noriginal_bytes %llu\npacked_bytes %llu\n", table.fileCount,
         (unsigned long long)pieces, (unsigned long long)original, (unsigned long long)packed);

  // Every core the installer would use: one inflating thread per processor, at most eight.
  const int cores = std::min(ProcessorCount(), 8);
  std::vector<double> limit, coresLimit, extract, extractCpu, tar, check, extractToLimit, extractToCoresLimit,
      tarToExtract, checkShare;
  for (int rep = 0; rep < reps; ++rep) {
    double timeLimit = 0, timeCoresLimit = 0, timeExtract = 0, timeTar = 0, timeCheck = 0;
    const int contenders = tarball.empty() ? 4 : 5;
    for (int k = 0; k < contenders; ++k) {
      const int which = (k + rep) % contenders;
      sync();
      if (which == 0) {
        const double start = Now();
        InflateAll(buffer);
        timeLimit = Now() - start;
      } else if (which == 1) {
        const double start = Now();
        InflateAllOnCores(cores);
        timeCoresLimit = Now() - start;
      } else if (which == 2) {
        const double start = Now();
        if (CheckPayload() != PayloadIntact) {
          fprintf(stderr, "extract_bench: the payload fails its damage check\n");
          return 1;
        }
        timeCheck = Now() - start;
      } else if (which == 3) {
        const std::string folder = work + "/extract";
        RemoveTree(folder);
        if (mkdir(folder.c_str(), 0777) != 0 || chdir(folder.c_str()) != 0) return 1;
        sync();
        const long long heapBefore = liveBytes;
        peakBytes = liveBytes.load();
        threadsStarted = 0;
        stackBytes = 0;
        const double start = Now(), startCpu = CpuNow();
        const ExtractStatus status = ExtractPayload(nullptr, nullptr);
        timeExtract = Now() - start;
        extractCpu.push_back(CpuNow() - startCpu);
        if (rep == 0) {
          const long long heap = peakBytes - heapBefore;
          printf("extract_threads %d\nextract_stack_bytes %lld\nextract_peak_heap_bytes %lld\n", threadsStarted.load(),
                 stackBytes.load(), heap);
          printf("extract_peak_memory_bytes %lld\n", heap + stackBytes.load());
        }
        if (chdir(home) != 0) return 1;
        if (status != ExtractComplete) {
          fprintf(stderr, "extract_bench: ExtractPayload returned %d\n", (int)status);
          return 1;
        }
        if (rep == 0 && !verify.empty()) {
          for (int i = 0; i < table.fileCount; ++i) {
            const std::string path = PathOf(table.fileName[i]);
            if (!SameFile(folder + "/" + path, verify + "/" + path)) {
              fprintf(stderr, "extract_bench: %s differs from its source\n", table.fileName[i]);
              return 1;
            }
          }
          printf("verified %d files against %s\n", table.fileCount, verify.c_str());
        }
        RemoveTree(folder);
      } else {
        const std::string folder = work + "/tar";
        RemoveTree(folder);
        if (mkdir(folder.c_str(), 0777) != 0) return 1;
        sync();
        const char* tarArgs[] = {"tar", "-xzf", tarball.c_str(), "-C", folder.c_str(), nullptr};
        const double start = Now();
        const bool ok = RunProgram(tarArgs);
        timeTar = Now() - start;
        if (!ok) {
          fprintf(stderr, "extract_bench: tar -xzf %s failed\n", tarball.c_str());
          return 1;
        }
        RemoveTree(folder);
      }
    }
    limit.push_back(timeLimit);
    coresLimit.push_back(timeCoresLimit);
    extract.push_back(timeExtract);
    check.push_back(timeCheck);
    extractToLimit.push_back(timeLimit / timeExtract);
    extractToCoresLimit.push_back(timeCoresLimit / timeExtract);
    checkShare.push_back(timeCheck / timeExtract);
    if (!tarball.empty()) {
      tar.push_back(timeTar);
      tarToExtract.push_back(timeTar / timeExtract);
    }
  }
  printf("reps %d\ncores %d\n", reps, cores);
  printf("limit_s %.4f\ncores_limit_s %.4f\nextract_s %.4f\nextract_cpu_s %.4f\ncheck_s %.4f\n", Median(limit),
         Median(coresLimit), Median(extract), Median(extractCpu), Median(check));
  const double megabytes = (double)original / 1e6;
  printf("limit_mb_per_s %.1f\ncores_limit_mb_per_s %.1f\nextract_mb_per_s %.1f\n", megabytes / Median(limit),
         megabytes / Median(coresLimit), megabytes / Median(extract));
  printf("extract_share_of_limit %.3f\nextract_share_of_cores_limit %.3f\ncheck_share_of_extract %.3f\n",
         Median(extractToLimit), Median(extractToCoresLimit), Median(checkShare));
  if (!tarball.empty()) {
    printf("tar_s %.4f\ntar_mb_per_s %.1f\nextract_speedup_over_tar %.3f\n", Median(tar),
           (double)original / 1e6 / Median(tar), Median(tarToExtract));
  }
  return 0;
}
