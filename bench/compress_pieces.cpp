// Compression alone, for comparison with a whole installer build: cuts and compresses a product's
// files into one blob of pieces exactly as instpack does, and writes nothing else.
//
//   compress_pieces DESCRIPTION BLOB THREADS
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tools/pack/image/packer.h"
#include "tools/pack/description/product.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: compress_pieces DESCRIPTION BLOB THREADS\n");
    return 2;
  }
  Product product;
  std::string error;
  if (!LoadProduct(argv[1], &product, &error)) {
    fprintf(stderr, "compress_pieces: %s\n", error.c_str());
    return 1;
  }
  std::vector<PackSource> sources(product.files.size());
  for (size_t i = 0; i < sources.size(); ++i) {
    sources[i].path = product.files[i].sourcePath;
    if (!MeasureSource(sources[i].path, &sources[i].size, &error)) {
      fprintf(stderr, "compress_pieces: %s\n", error.c_str());
      return 1;
    }
  }
  const int fd = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  PackedPayload payload;
  int failedFile = -1;
  const bool packed = fd >= 0 && PackPayload(sources, fd, argv[2], atoi(argv[3]), &payload, &failedFile, &error);
  if (fd >= 0) close(fd);
  if (!packed) fprintf(stderr, "compress_pieces: %s\n", error.c_str());
  return packed ? 0 : 1;
}
