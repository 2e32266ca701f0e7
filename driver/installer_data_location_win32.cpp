// Finding the installer data block in the running Windows program's own image. Only Win32 calls
// belong here.
#include <windows.h>

#include <string.h>

#include "driver/installer_data_location.h"
#include "product/installer_data.h"

bool FindInstallerData(InstanceHandle instance, const unsigned char** block, size_t* size) {
  // The module's headers are mapped at its base and were checked by the loader; the section's
  // bounds are checked against the image all the same.
  const unsigned char* base = static_cast<const unsigned char*>(instance);
  const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
  const IMAGE_NT_HEADERS* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  if (headers->Signature != IMAGE_NT_SIGNATURE) return false;
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(headers);
  for (WORD i = 0; i < headers->FileHeader.NumberOfSections; ++i, ++section) {
    if (memcmp(section->Name, installer_data::kSectionName, sizeof installer_data::kSectionName) != 0) continue;
    const DWORD address = section->VirtualAddress;
    const DWORD length = section->Misc.VirtualSize;
    if (address > headers->OptionalHeader.SizeOfImage || length > headers->OptionalHeader.SizeOfImage - address) {
      return false;
    }
    *block = base + address;
    *size = length;
    return true;
  }
  return false;
}
