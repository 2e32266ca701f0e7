// Removing an installation's files from its data directory, for the uninstaller.
#include "payload/installed_files.h"

#include <stdio.h>
#include <string.h>

#include "platform/files.h"
#include "platform/system.h"
#include "product/names.h"
#include "product/payload_table.h"

namespace {

// A directory and a separator, then room for the table's longest name, from the heap (a static
// buffer of the longest path would take 32 KB of the program's file). Null when there is no memory.
char* NewPathBuffer(const char* directory, size_t* size) {
  const PayloadTableRecord& table = PayloadTable;
  size_t longest = 0;
  for (int i = 0; i < table.fileCount; ++i) {
    const size_t length = strlen(table.fileName[i]);
    if (length > longest) longest = length;
  }
  *size = strlen(directory) + 1 + longest + 1;
  return static_cast<char*>(AllocateMemory(*size));
}

}  // namespace

int DeleteInstalledFiles(const char* directory, LeftFileReport left, void* context) {
  const PayloadTableRecord& table = PayloadTable;
  size_t size = 0;
  char* path = NewPathBuffer(directory, &size);
  // Without memory for a path nothing can be deleted: every file is left, and named as its name.
  if (path == nullptr) {
    for (int i = 0; left != nullptr && i < table.fileCount; ++i) left(context, table.fileName[i]);
    return table.fileCount;
  }
  int leftCount = 0;
  for (int i = 0; i < table.fileCount; ++i) {
    const int length = snprintf(path, size, "%s\\%s", directory, table.fileName[i]);
    if (length < 0 || static_cast<size_t>(length) >= size) continue;  // no such file can exist
    if (DeleteFileOrOwnProgram(path)) continue;
    // Asked after the delete failed, not before: a file that another program holds open cannot
    // even be opened, but it is there, and stays.
    bool isDirectory = false;
    if (QueryPath(path, &isDirectory) != 0) continue;
    ++leftCount;
    if (left != nullptr) left(context, path);
  }
  FreeMemory(path);
  return leftCount;
}

void RemoveInstalledFolders(const char* directory) {
  const PayloadTableRecord& table = PayloadTable;
  size_t size = 0;
  char* path = NewPathBuffer(directory, &size);
  if (path == nullptr) return;
  // Last file first. A folder is tried at each file whose predecessor in the table is not in it
  // too, innermost first: in a tree that is once, after every file and folder in it has gone.
  for (int i = table.fileCount - 1; i >= 0; --i) {
    const char* name = table.fileName[i];
    const size_t shared = i > 0 ? SharedFolderLength(name, table.fileName[i - 1]) : 0;
    const int length = snprintf(path, size, "%s\\%s", directory, name);
    if (length < 0 || static_cast<size_t>(length) >= size) continue;
    const size_t directoryLength = static_cast<size_t>(length) - strlen(name);
    for (size_t at = static_cast<size_t>(length); at > directoryLength + shared; --at) {
      if (path[at] != '\\') continue;
      path[at] = '\0';
      RemoveEmptyDirectory(path);
    }
  }
  FreeMemory(path);
}
