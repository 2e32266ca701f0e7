// Fuzzes the reader of the installation's record, which the uninstaller acts on: any bytes in the
// file. What it reads must be whole and within its rules: every path one the installer could have
// written below the data directory, never one that leaves it.
#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "payload/install_record.h"
#include "product/names.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = fuzz::ScratchFolder() + "/drives/C/" + InstallRecordName;
  FILE* file = fopen(path.c_str(), "wb");
  if (file == nullptr) abort();
  fwrite(data, 1, size, file);
  fclose(file);

  InstallRecord record;
  const RecordStatus status = ReadInstallRecord("C:", &record);
  if (status != RecordRead) {
    if (record.text != nullptr || record.fileCount != 0 || record.folderCount != 0) abort();
    return 0;
  }
  if (TitleProblem(record.appTitle).kind != NameFine || GroupNameProblem(record.groupName).kind != NameFine ||
      ProductIdProblem(record.productId).kind != NameFine || record.version == nullptr) {
    abort();
  }
  for (int i = 0; i < record.fileCount; ++i) {
    if (PayloadPathProblem(record.files[i]).kind != NameFine) abort();
  }
  for (int i = 0; i < record.folderCount; ++i) {
    if (PayloadPathProblem(record.folders[i]).kind != NameFine) abort();
  }
  FreeInstallRecord(&record);
  return 0;
}
