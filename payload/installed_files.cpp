// Removing an installation's files from its data directory, for the uninstaller.
#include "payload/installed_files.h"

#include <stdio.h>
#include <string.h>

#include "platform/files.h"
#include "platform/system.h"
#include "product/names.h"
#include "product/payload_table.h"

namespace {

// A directory and a separator, then room for the longest of `count` names (null ones skipped),
// from the heap (a static buffer of the longest path would take 32 KB of the program's file).
// Null when there is no memory.
char* NewPathBuffer(const char* directory, const char* const* names, int count, size_t* size) {
  size_t longest = 0;
  for (int i = 0; i < count; ++i) {
    const size_t length = names[i] != nullptr ? strlen(names[i]) : 0;
    if (length > longest) longest = length;
  }
  *size = strlen(directory) + 1 + longest + 1;
  return static_cast<char*>(AllocateMemory(*size));
}

}  // namespace

int DeleteInstalledFiles(const char* directory, LeftFileReport left, void* context) {
  return DeleteRecordedFiles(directory, PayloadTable.fileName, PayloadTable.fileCount, left, context);
}

int DeleteRecordedFiles(const char* directory, const char* const* names, int count, LeftFileReport left, void* context) {
  size_t size = 0;
  char* path = NewPathBuffer(directory, names, count, &size);
  // Without memory for a path nothing can be deleted: every file is left, and named as its name.
  if (path == nullptr) {
    int leftCount = 0;
    for (int i = 0; i < count; ++i) {
      if (names[i] == nullptr) continue;
      ++leftCount;
      if (left != nullptr) left(context, names[i]);
    }
    return leftCount;
  }
  int leftCount = 0;
  for (int i = 0; i < count; ++i) {
    if (names[i] == nullptr) continue;
    const int length = snprintf(path, size, "%s\\%s", directory, names[i]);
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

void RemoveRecordedFolders(const char* directory, const char* const* folders, int count) {
  size_t size = 0;
  char* path = NewPathBuffer(directory, folders, count, &size);
  if (path == nullptr) return;
  for (int i = count - 1; i >= 0; --i) {
    if (folders[i] == nullptr) continue;
    snprintf(path, size, "%s\\%s", directory, folders[i]);
    RemoveEmptyDirectory(path);
  }
  FreeMemory(path);
}

void RemoveInstalledFolders(const char* directory) {
  const PayloadTableRecord& table = PayloadTable;
  size_t size = 0;
  char* path = NewPathBuffer(directory, table.fileName, table.fileCount, &size);
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
