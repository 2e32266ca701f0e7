// Reading, writing and acting on the record of an installation. The record is UTF-8 text, a line
// each: the first names the format, then "<key><tab><value>" lines, so that an administrator can
// read it and no name needs quoting (names hold no control characters).
#include "payload/install_record.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "payload/extract.h"
#include "platform/files.h"
#include "platform/system.h"
#include "product/names.h"
#include "product/payload_table.h"

namespace {

const char kFirstLine[] = "install record 1";

// `directory`, a separator and `name` (and room for a suffix) in a block from AllocateMemory.
char* JoinedPath(const char* directory, const char* name, const char* suffix = "") {
  const size_t size = strlen(directory) + 1 + strlen(name) + strlen(suffix) + 1;
  char* path = static_cast<char*>(AllocateMemory(size));
  if (path != nullptr) snprintf(path, size, "%s\\%s%s", directory, name, suffix);
  return path;
}

size_t MaxLength(size_t longest, const char* text) {
  const size_t length = strlen(text);
  return length > longest ? length : longest;
}

// ---- reading ---------------------------------------------------------------------------------

// Splits the record's text into lines in place and fills `record`; false when it is damaged.
bool ParseRecord(char* text, InstallRecord* record) {
  int lines = 0;
  for (const char* p = text; *p != '\0'; ++p) lines += *p == '\n';
  record->files = static_cast<const char**>(AllocateMemory(sizeof(char*) * (static_cast<size_t>(lines) + 1)));
  record->folders = static_cast<const char**>(AllocateMemory(sizeof(char*) * (static_cast<size_t>(lines) + 1)));
  if (record->files == nullptr || record->folders == nullptr) return false;
  const char* scope = nullptr;
  const char* startup = nullptr;
  const char* directory = nullptr;
  bool first = true;
  for (char* line = text; *line != '\0';) {
    char* end = strchr(line, '\n');
    if (end == nullptr) return false;  // cut off: the last line has no end
    *end = '\0';
    if (end > line && end[-1] == '\r') end[-1] = '\0';
    char* next = end + 1;
    if (first) {
      if (strcmp(line, kFirstLine) != 0) return false;
      first = false;
      line = next;
      continue;
    }
    char* tab = strchr(line, '\t');
    if (tab == nullptr) return false;
    *tab = '\0';
    const char* value = tab + 1;
    if (!IsValidUtf8(value, strlen(value))) return false;
    for (const char* p = value; *p != '\0'; ++p) {
      if (static_cast<unsigned char>(*p) < 0x20) return false;
    }
    if (strcmp(line, "file") == 0 || strcmp(line, "folder") == 0) {
      if (PayloadPathProblem(value).kind != NameFine) return false;
      if (line[1] == 'i') {
        record->files[record->fileCount++] = value;
      } else {
        record->folders[record->folderCount++] = value;
      }
    } else if (strcmp(line, "version") == 0) {
      record->version = value;
    } else if (strcmp(line, "title") == 0) {
      if (TitleProblem(value).kind != NameFine) return false;
      record->appTitle = value;
    } else if (strcmp(line, "group") == 0) {
      if (GroupNameProblem(value).kind != NameFine) return false;
      record->groupName = value;
    } else if (strcmp(line, "product") == 0) {
      if (ProductIdProblem(value).kind != NameFine) return false;
      record->productId = value;
    } else if (strcmp(line, "scope") == 0) {
      scope = value;
    } else if (strcmp(line, "startup") == 0) {
      startup = value;
    } else if (strcmp(line, "directory") == 0) {
      directory = value;
    }
    line = next;
  }
  if (first || record->version == nullptr || record->appTitle == nullptr || record->groupName == nullptr ||
      record->productId == nullptr) {
    return false;
  }
  if (scope == nullptr || (strcmp(scope, "all") != 0 && strcmp(scope, "user") != 0)) return false;
  if (startup == nullptr || (strcmp(startup, "yes") != 0 && strcmp(startup, "no") != 0)) return false;
  record->forAllUsers = strcmp(scope, "all") == 0;
  record->startupItem = strcmp(startup, "yes") == 0;
  // Records written before the line existed came from installations that removed the directory
  // whenever it was left empty; they keep doing so.
  if (directory != nullptr && strcmp(directory, "created") != 0 && strcmp(directory, "found") != 0) return false;
  record->directoryCreated = directory == nullptr || strcmp(directory, "created") == 0;
  return true;
}

// ---- the new installation's names --------------------------------------------------------------

// PayloadTable's paths by the key under which Windows may take two of them for one file
// (MayNameSameFile): open addressing, a power of two of slots, each a table index or -1.
struct TableNames {
  int32_t* slots;
  uint32_t mask;
};

uint32_t NameKey(const char* name) {
  uint32_t hash = 2166136261u;  // FNV-1a over the bytes as MayNameSameFile compares them
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p != '\0'; ++p) {
    const unsigned char c = *p;
    const unsigned folded = c >= 0x80 ? 0x80u : (c >= 'A' && c <= 'Z') ? c + 32u : c;
    hash = (hash ^ folded) * 16777619u;
  }
  return hash;
}

bool MakeTableNames(TableNames* names) {
  const PayloadTableRecord& table = PayloadTable;
  uint32_t size = 16;
  while (size < static_cast<uint32_t>(table.fileCount) * 2) size *= 2;
  names->slots = static_cast<int32_t*>(AllocateMemory(sizeof(int32_t) * size));
  if (names->slots == nullptr) return false;
  names->mask = size - 1;
  memset(names->slots, 0xFF, sizeof(int32_t) * size);
  for (int i = 0; i < table.fileCount; ++i) {
    uint32_t at = NameKey(table.fileName[i]) & names->mask;
    while (names->slots[at] >= 0) at = (at + 1) & names->mask;
    names->slots[at] = i;
  }
  return true;
}

bool InTable(const TableNames& names, const char* name) {
  for (uint32_t at = NameKey(name) & names.mask; names.slots[at] >= 0; at = (at + 1) & names.mask) {
    if (MayNameSameFile(PayloadTable.fileName[names.slots[at]], name)) return true;
  }
  return false;
}

// ---- writing ----------------------------------------------------------------------------------

// Lines gathered into a buffer and written in blocks; `failed` once any write fell short.
struct RecordWriter {
  OutputFile file;
  char buffer[16384];
  size_t used;
  bool failed;
};

void Flush(RecordWriter& writer) {
  if (writer.used > 0 && WriteOutputFile(writer.file, writer.buffer, writer.used) != writer.used) writer.failed = true;
  writer.used = 0;
}

void Put(RecordWriter& writer, const char* text, size_t length) {
  while (length > 0) {
    if (writer.used == sizeof writer.buffer) Flush(writer);
    size_t step = sizeof writer.buffer - writer.used;
    if (step > length) step = length;
    memcpy(writer.buffer + writer.used, text, step);
    writer.used += step;
    text += step;
    length -= step;
  }
}

void PutLine(RecordWriter& writer, const char* key, const char* value, size_t length) {
  Put(writer, key, strlen(key));
  Put(writer, "\t", 1);
  Put(writer, value, length);
  Put(writer, "\n", 1);
}

void PutLine(RecordWriter& writer, const char* key, const char* value) { PutLine(writer, key, value, strlen(value)); }

void PutRecord(RecordWriter& writer, const InstallationMade& made, const InstallRecord* earlier) {
  Put(writer, kFirstLine, strlen(kFirstLine));
  Put(writer, "\n", 1);
  PutLine(writer, "version", made.version);
  PutLine(writer, "title", made.appTitle);
  PutLine(writer, "group", made.groupName);
  PutLine(writer, "product", made.productId);
  PutLine(writer, "scope", made.forAllUsers ? "all" : "user");
  PutLine(writer, "startup", made.startupItem ? "yes" : "no");
  PutLine(writer, "directory", made.directoryCreated ? "created" : "found");
  // Folders outermost first, as the uninstaller removes them from the last: the earlier ones that
  // are left held the new ones' folders, if any.
  for (int i = 0; earlier != nullptr && i < earlier->folderCount; ++i) {
    if (earlier->folders[i] != nullptr) PutLine(writer, "folder", earlier->folders[i]);
  }
  for (int i = 0; i < CreatedFolderCount(); ++i) {
    size_t length = 0;
    const char* folder = CreatedFolderAt(i, &length);
    PutLine(writer, "folder", folder, length);
  }
  const PayloadTableRecord& table = PayloadTable;
  for (int i = 0; i < table.fileCount; ++i) {
    PutLine(writer, "file", table.fileName[i]);
    if (const char* aside = ReplacedCopyLeft(i)) PutLine(writer, "file", aside);
  }
  for (int i = 0; earlier != nullptr && i < earlier->fileCount; ++i) {
    if (earlier->files[i] != nullptr) PutLine(writer, "file", earlier->files[i]);
  }
  Flush(writer);
}

}  // namespace

RecordStatus ReadInstallRecord(const char* directory, InstallRecord* record) {
  *record = InstallRecord{};
  char* path = JoinedPath(directory, InstallRecordName);
  if (path == nullptr) return RecordNoMemory;
  size_t length = 0;
  char* text = ReadWholeFile(path, &length);
  bool isDirectory = false;
  const bool present = text != nullptr || QueryPath(path, &isDirectory) == 0;
  FreeMemory(path);
  if (text == nullptr) return present ? RecordDamaged : RecordMissing;
  record->text = text;
  // A zero byte inside would end the text early and hide what follows.
  if (strlen(text) != length) {
    FreeInstallRecord(record);
    return RecordDamaged;
  }
  if (!ParseRecord(text, record)) {
    const bool noMemory = record->files == nullptr || record->folders == nullptr;
    FreeInstallRecord(record);
    return noMemory ? RecordNoMemory : RecordDamaged;
  }
  return RecordRead;
}

void FreeInstallRecord(InstallRecord* record) {
  FreeMemory(record->text);
  FreeMemory(record->files);
  FreeMemory(record->folders);
  *record = InstallRecord{};
}

void RemoveWhatIsNoLongerInstalled(const char* directory, InstallRecord* earlier) {
  // One path buffer for every entry: the directory, a separator and the longest of them.
  size_t longest = 0;
  for (int i = 0; i < earlier->fileCount; ++i) longest = MaxLength(longest, earlier->files[i]);
  for (int i = 0; i < earlier->folderCount; ++i) longest = MaxLength(longest, earlier->folders[i]);
  const size_t size = strlen(directory) + 1 + longest + 1;
  char* path = static_cast<char*>(AllocateMemory(size));
  TableNames names = {nullptr, 0};
  if (path == nullptr || !MakeTableNames(&names)) {
    FreeMemory(path);
    return;
  }
  for (int i = 0; i < earlier->fileCount; ++i) {
    bool isDirectory = false;
    if (!InTable(names, earlier->files[i])) {
      snprintf(path, size, "%s\\%s", directory, earlier->files[i]);
      if (!DeleteFileNamed(path) && QueryPath(path, &isDirectory) == 0) continue;  // left: stays listed
    }
    earlier->files[i] = nullptr;
  }
  FreeMemory(names.slots);
  // Innermost first; a folder the new installation uses holds its files and stays listed.
  for (int i = earlier->folderCount - 1; i >= 0; --i) {
    snprintf(path, size, "%s\\%s", directory, earlier->folders[i]);
    const DirectoryRemoval removal = RemoveEmptyDirectory(path);
    if (removal == DirectoryRemoved || removal == DirectoryAbsent) earlier->folders[i] = nullptr;
  }
  FreeMemory(path);
}

bool WriteInstallRecord(const char* directory, const InstallationMade& made, const InstallRecord* earlier) {
  char* path = JoinedPath(directory, InstallRecordName);
  char* newPath = JoinedPath(directory, InstallRecordName, InstallRecordNewSuffix);
  RecordWriter* writer = static_cast<RecordWriter*>(AllocateMemory(sizeof(RecordWriter)));
  bool written = false;
  if (path != nullptr && newPath != nullptr && writer != nullptr) {
    writer->file = CreateOutputFile(newPath);
    writer->used = 0;
    writer->failed = writer->file == nullptr;
    if (!writer->failed) {
      PutRecord(*writer, made, earlier);
      written = !writer->failed && FlushOutputFile(writer->file);
      written = CloseOutputFile(writer->file) && written;
      written = written && ReplaceFileNamed(newPath, path);
    }
    if (!written) DeleteFileNamed(newPath);
  }
  if (!written && path != nullptr) DeleteFileNamed(path);
  FreeMemory(writer);
  FreeMemory(newPath);
  FreeMemory(path);
  return written;
}

bool DeleteInstallRecord(const char* directory) {
  char* path = JoinedPath(directory, InstallRecordName);
  char* newPath = JoinedPath(directory, InstallRecordName, InstallRecordNewSuffix);
  if (newPath != nullptr) DeleteFileNamed(newPath);
  bool isDirectory = false;
  const bool gone = path != nullptr && (DeleteFileNamed(path) || QueryPath(path, &isDirectory) != 0);
  FreeMemory(newPath);
  FreeMemory(path);
  return gone;
}
