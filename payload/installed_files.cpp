// Removing an installation's files from its data directory, for the uninstaller.
#include "payload/installed_files.h"

#include <stdio.h>

#include "platform/files.h"
#include "product/payload_table.h"

namespace {

// A directory of at most 1,023 characters, a separator and a name of at most 255.
enum { kPathSize = 1023 + 1 + 255 + 1 };

}  // namespace

int DeleteInstalledFiles(const char* directory, LeftFileReport left, void* context) {
  const PayloadTableRecord& table = PayloadTable;
  int leftCount = 0;
  for (int i = 0; i < table.fileCount; ++i) {
    char path[kPathSize];
    const int length = snprintf(path, sizeof path, "%s\\%s", directory, table.fileName[i]);
    if (length < 0 || static_cast<size_t>(length) >= sizeof path) continue;  // no such file can exist
    if (DeleteFileOrOwnProgram(path)) continue;
    // Asked after the delete failed, not before: a file that another program holds open cannot
    // even be opened, but it is there, and stays.
    bool isDirectory = false;
    if (QueryPath(path, &isDirectory) != 0) continue;
    ++leftCount;
    if (left != nullptr) left(context, path);
  }
  return leftCount;
}
