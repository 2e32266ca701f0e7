// Finding and reading the installer data block in the running Windows program's own file, after
// its image. Only Win32 calls belong here.
#include <windows.h>

#include "driver/installer_data_location.h"

#include <string.h>

#include "platform/wide_text_win32.h"

namespace {

// The program's own path is never a long one: a user starts it, or the uninstaller runs from the
// data directory (1,023 bytes at most).
const DWORD kPathRoom = 1024 + 1 + 256;

HANDLE dataFile = INVALID_HANDLE_VALUE;
uint64_t blockStart = 0;

bool ReadAt(HANDLE file, uint64_t at, unsigned char* into, uint32_t size) {
  // On a handle opened for synchronous reading, the offset in OVERLAPPED makes the read a
  // positioned one that waits until done; calls from several threads each read their own bytes.
  OVERLAPPED where = {};
  where.Offset = (DWORD)at;
  where.OffsetHigh = (DWORD)(at >> 32);
  DWORD read = 0;
  return ReadFile(file, into, size, &read, &where) && read == size;
}

}  // namespace

bool OpenInstallerData(InstanceHandle instance, uint64_t* size) {
  CloseInstallerData();
  // The module's headers are mapped at its base and were checked by the loader. The block starts
  // where the bytes of the last section end in the file; the signature, when there is one, comes
  // after it (its directory entry holds a file offset, not an address).
  const unsigned char* base = static_cast<const unsigned char*>(instance);
  const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
  const IMAGE_NT_HEADERS* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  if (headers->Signature != IMAGE_NT_SIGNATURE) return false;
  uint64_t sectionsEnd = headers->OptionalHeader.SizeOfHeaders;
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(headers);
  for (WORD i = 0; i < headers->FileHeader.NumberOfSections; ++i, ++section) {
    const uint64_t end = (uint64_t)section->PointerToRawData + section->SizeOfRawData;
    if (section->SizeOfRawData > 0 && end > sectionsEnd) sectionsEnd = end;
  }
  const IMAGE_DATA_DIRECTORY& signature = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY];

  // While the file is open no one may write to it, so that what the damage check reads is what
  // is installed, nor rename or delete it (the uninstaller, which moves its own file aside,
  // closes it once its metadata is read).
  wchar_t self[kPathRoom];
  const DWORD length = GetModuleFileNameW(nullptr, self, kPathRoom);
  if (length == 0 || length >= kPathRoom) return false;
  HANDLE file =
      CreateFileW(self, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER fileSize;
  uint64_t end = 0;
  if (GetFileSizeEx(file, &fileSize)) end = (uint64_t)fileSize.QuadPart;
  if (signature.VirtualAddress != 0 && signature.VirtualAddress < end) end = signature.VirtualAddress;
  if (sectionsEnd >= end) {
    CloseHandle(file);
    return false;
  }
  dataFile = file;
  blockStart = sectionsEnd;
  *size = end - sectionsEnd;
  return true;
}

bool ReadInstallerBytes(uint64_t offset, unsigned char* into, uint32_t size) {
  return ReadAt(dataFile, blockStart + offset, into, size);
}

intptr_t OpenFileBesideProgram(const char* name, uint64_t size) {
  // The program's folder is asked for again rather than kept: a buffer kept for the process would
  // take its size in the program's file.
  wchar_t path[kPathRoom + 300] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, kPathRoom);
  if (length == 0 || length >= kPathRoom) return -1;
  size_t folderLength = 0;
  for (DWORD i = 0; i < length; ++i) {
    if (path[i] == L'\\') folderLength = i + 1;
  }
  if (!Utf8ToWide(name, path + folderLength, sizeof path / sizeof path[0] - folderLength)) return -1;
  HANDLE file =
      CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -1;
  LARGE_INTEGER fileSize;
  if (!GetFileSizeEx(file, &fileSize) || (uint64_t)fileSize.QuadPart != size) {
    CloseHandle(file);
    return -1;
  }
  return reinterpret_cast<intptr_t>(file);
}

bool ReadFileAt(intptr_t file, uint64_t offset, unsigned char* into, uint32_t size) {
  return ReadAt(reinterpret_cast<HANDLE>(file), offset, into, size);
}

void CloseInstallerData() {
  if (dataFile != INVALID_HANDLE_VALUE) CloseHandle(dataFile);
  dataFile = INVALID_HANDLE_VALUE;
}
