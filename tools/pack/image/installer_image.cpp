// The prebuilt installer and uninstaller programs: recognising one, and placing an installer data
// block in it.
#include "tools/pack/image/installer_image.h"

#include <errno.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "tools/pack/common/byte_order.h"
#include "tools/pack/common/file_io.h"
#include "product/installer_data.h"

using namespace installer_data;

namespace {

// PE header fields used here, as offsets from the start of the optional header.
enum : uint32_t {
  kSizeOfInitializedData = 8,
  kSectionAlignment = 32,
  kFileAlignment = 36,
  kSizeOfImage = 56,
  kSizeOfHeaders = 60,
  kCheckSum = 64,
  kSectionHeaderSize = 40,
  kResourceDirectory = 2,   // data directory entries
  kSecurityDirectory = 4,   // the Authenticode signature
  kLoadConfigDirectory = 10,
};
// The new section: initialised data, readable only.
const uint32_t kIdentitySectionCharacteristics = 0x40000040;
const char kIdentitySectionName[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
const char kOldResourceSectionName[8] = {'.', 'o', 'l', 'd', 'r', 's', 'r', 'c'};
// LOAD_LIBRARY_SEARCH_SYSTEM32: the imports of imported DLLs come from the system folder only.
const uint32_t kDependentLoadFlags = 0x800;


uint64_t AlignUp(uint64_t value, uint64_t alignment) { return (value + alignment - 1) / alignment * alignment; }

bool IsPowerOfTwo(uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

const char* KindName(ProgramKind kind) { return kind == ProgramKind::Installer ? "installer" : "uninstaller"; }

// The marker text of `kind` with `version` and `target` filled in.
std::string MarkerText(ProgramKind kind, const std::string& version, const std::string& target) {
  // The marker made with two placeholders that no marker holds, split where they stand.
  const std::string pattern = kind == ProgramKind::Installer ? INSTALLER_PROGRAM_MARKER("\x01", "\x02")
                                                             : UNINSTALLER_PROGRAM_MARKER("\x01", "\x02");
  const size_t v = pattern.find('\x01'), t = pattern.find('\x02');
  return pattern.substr(0, v) + version + pattern.substr(v + 1, t - v - 1) + target + pattern.substr(t + 1);
}

// The version named by the first marker text of `kind` in `bytes` (digits and dots, empty for a
// program from before versions), or false when `bytes` holds no marker text of `kind` at all. Any
// version is read, so that a program of another release is told apart from a foreign one.
bool MarkedVersion(const std::string& bytes, ProgramKind kind, std::string* version) {
  const std::string pattern = MarkerText(kind, "\x01", "");
  const std::string beforeVersion = pattern.substr(0, pattern.find('\x01'));
  const size_t at = bytes.find(beforeVersion);
  if (at == std::string::npos) return false;
  const size_t from = at + beforeVersion.size();
  const size_t end = std::min(bytes.find_first_not_of("0123456789.", from), from + 32);
  *version = bytes.substr(from, end - from);
  return true;
}

uint64_t AddWords(uint64_t sum, const unsigned char* data, uint64_t size, uint64_t offset, uint64_t checksumOffset) {
  for (uint64_t i = 0; i < size; i += 2) {
    const uint64_t at = offset + i;
    if (at == checksumOffset || at == checksumOffset + 2) continue;
    sum += (uint32_t)data[i] | (i + 1 < size ? (uint32_t)data[i + 1] << 8 : 0);
  }
  return sum;
}

uint32_t FinishSum(uint64_t sum, uint64_t size) {
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return (uint32_t)(sum + size);
}

// Checks the PE program in `program->bytes` and fills in where the block goes. Returns an empty
// text, or what is wrong with it.
std::string CheckWindowsProgram(InstallerProgram* program) {
  const std::string& bytes = program->bytes;
  const uint64_t size = bytes.size();
  const bool wide = program->target == InstallerTarget::Win64;
  if (size < 64 || bytes.compare(0, 2, "MZ") != 0) return "not a Windows program";
  const uint64_t pe = Get32(bytes, 0x3C);
  if (pe + 24 > size || bytes.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return "not a Windows program";
  const uint32_t machine = Get16(bytes, pe + 4);
  if (machine != 0x14C && machine != 0x8664) return "a Windows program for another processor";
  if ((machine == 0x8664) != wide) {
    return std::string("a ") + (machine == 0x8664 ? "64" : "32") + "-bit program; --target " +
           TargetName(program->target) + " needs the " + (wide ? "64" : "32") + "-bit " + KindName(program->kind) +
           " program";
  }
  program->sectionCount = Get16(bytes, pe + 6);
  const uint64_t optionalSize = Get16(bytes, pe + 20);
  const uint64_t optional = pe + 24;
  program->optionalHeader = optional;
  const uint64_t directories = optional + (wide ? 112 : 96);
  if (optional + optionalSize > size || directories + 8ull * (kSecurityDirectory + 1) > optional + optionalSize ||
      Get16(bytes, optional) != (wide ? 0x20Bu : 0x10Bu)) {
    return "damaged (its optional header is out of bounds)";
  }
  program->fileAlignment = Get32(bytes, optional + kFileAlignment);
  program->sectionAlignment = Get32(bytes, optional + kSectionAlignment);
  const uint64_t headersSize = Get32(bytes, optional + kSizeOfHeaders);
  if (!IsPowerOfTwo(program->fileAlignment) || !IsPowerOfTwo(program->sectionAlignment) ||
      program->fileAlignment < 8 || program->sectionAlignment < program->fileAlignment || headersSize > size) {
    return "damaged (its alignments or header size are not valid)";
  }
  const uint32_t storedChecksum = Get32(bytes, optional + kCheckSum);
  if (storedChecksum != 0 &&
      PeChecksum(reinterpret_cast<const unsigned char*>(bytes.data()), size, optional + kCheckSum) != storedChecksum) {
    return "damaged (its checksum does not match its bytes)";
  }

  const uint64_t table = optional + optionalSize;
  const uint64_t tableEnd = table + (uint64_t)kSectionHeaderSize * program->sectionCount;
  if (tableEnd > headersSize) return "damaged (its section table is out of bounds)";
  uint64_t rawEnd = headersSize;
  uint64_t firstRaw = size;
  uint64_t virtualEnd = 0;
  for (uint32_t i = 0; i < program->sectionCount; ++i) {
    const uint64_t header = table + (uint64_t)kSectionHeaderSize * i;
    const uint64_t virtualSize = Get32(bytes, header + 8);
    const uint64_t address = Get32(bytes, header + 12);
    const uint64_t rawSize = Get32(bytes, header + 16);
    const uint64_t rawAt = Get32(bytes, header + 20);
    if (rawSize > 0) {
      if (rawAt + rawSize > size) return "damaged (a section lies past the end of the file)";
      if (rawAt + rawSize > rawEnd) rawEnd = rawAt + rawSize;
      if (rawAt < firstRaw) firstRaw = rawAt;
    }
    const uint64_t end = address + (virtualSize > rawSize ? virtualSize : rawSize);
    if (end > virtualEnd) virtualEnd = end;
  }
  if (Get32(bytes, directories + 8ull * kSecurityDirectory + 4) != 0) {
    return "signed; sign the finished installer instead";
  }
  if (rawEnd < size && bytes.compare(rawEnd, sizeof kMagic, kMagic, sizeof kMagic) == 0) {
    return "already holds a product";
  }
  if (rawEnd != size) {
    return std::string("not an ") + KindName(program->kind) + " program as built (it carries data after its last section)";
  }
  // Room for the section instpack adds.
  const uint64_t newHeadersEnd = tableEnd + kSectionHeaderSize;
  if (newHeadersEnd > headersSize || newHeadersEnd > firstRaw || bytes.find_first_not_of('\0', tableEnd) < newHeadersEnd) {
    return std::string("not an ") + KindName(program->kind) + " program as built (no room for another section header)";
  }
  const uint32_t resourceAddress = Get32(bytes, directories + 8ull * kResourceDirectory);
  for (uint32_t i = 0; i < program->sectionCount && resourceAddress != 0; ++i) {
    const uint64_t header = table + (uint64_t)kSectionHeaderSize * i;
    if (Get32(bytes, header + 12) == resourceAddress) program->programResourceHeader = header;
  }
  program->newSectionHeader = tableEnd;
  program->freeAddress = (uint32_t)AlignUp(virtualEnd, program->sectionAlignment);
  // The block goes where the last section's bytes end, where the installer looks for it.
  program->blockOffset = size;
  return std::string();
}

std::string CheckNativeProgram(InstallerProgram* program) {
  const std::string& bytes = program->bytes;
  if (bytes.size() < 64 || bytes.compare(0, 4, "\x7f" "ELF") != 0) return "not a native (ELF) program";
  if (bytes[4] != 2 || bytes[5] != 1) return "not a 64-bit little-endian program";
  if (bytes.size() >= kTrailerSize && bytes.compare(bytes.size() - kTrailerSize, 8, kTrailerMagic, 8) == 0) {
    return "already holds a product";
  }
  program->blockOffset = AlignUp(bytes.size(), 8);
  return std::string();
}

}  // namespace

const char* TargetName(InstallerTarget target) {
  switch (target) {
    case InstallerTarget::Win32: return "win32";
    case InstallerTarget::Win64: return "win64";
    default: return "native";
  }
}

bool TargetFromName(const std::string& name, InstallerTarget* target) {
  for (InstallerTarget candidate : {InstallerTarget::Win32, InstallerTarget::Win64, InstallerTarget::Native}) {
    if (name == TargetName(candidate)) {
      *target = candidate;
      return true;
    }
  }
  return false;
}

std::string ProgramFileName(InstallerTarget target, ProgramKind kind) {
  return std::string(KindName(kind)) + "-" + TargetName(target) + (target == InstallerTarget::Native ? "" : ".exe");
}

bool LoadInstallerProgram(const std::string& path, InstallerTarget target, InstallerProgram* program,
                          std::string* error, ProgramKind kind) {
  program->target = target;
  program->kind = kind;
  program->bytes.clear();
  if (!ReadWholeFile(path, &program->bytes, error)) return false;
  const std::string problem =
      target == InstallerTarget::Native ? CheckNativeProgram(program) : CheckWindowsProgram(program);
  const std::string what = std::string(" (the ") + TargetName(target) + " " + KindName(kind) + " program)";
  if (!problem.empty()) {
    *error = path + what + ": " + problem;
    return false;
  }
  std::string version;
  if (!MarkedVersion(program->bytes, kind, &version)) {
    *error = path + what + ": not an " + KindName(kind) + " program of instpack";
    return false;
  }
  if (version != INSTPACK_VERSION) {
    *error = path + what + ": is the " + KindName(kind) + " program of " +
             (version.empty() ? std::string("an instpack without a version") : "instpack " + version) +
             "; this is instpack " INSTPACK_VERSION ", which takes only the programs of its own release";
    return false;
  }
  // This release's marker, whole, with one of the targets: the installer data format matches too.
  const InstallerTarget targets[] = {InstallerTarget::Win32, InstallerTarget::Win64, InstallerTarget::Native};
  const InstallerTarget* marked = std::find_if(std::begin(targets), std::end(targets), [&](InstallerTarget each) {
    return program->bytes.find(MarkerText(kind, INSTPACK_VERSION, TargetName(each))) != std::string::npos;
  });
  if (marked == std::end(targets)) {
    *error = path + what + ": is an " + KindName(kind) + " program of instpack " INSTPACK_VERSION
             " for another installer data format; build it from the same sources as this instpack";
    return false;
  }
  if (*marked != target) {
    *error = path + what + ": is the " + TargetName(*marked) + " " + KindName(kind) + " program";
    return false;
  }
  return true;
}

bool PrepareWindowsImage(InstallerProgram* program, const std::vector<Resource>& resources, std::string* problem) {
  if (program->target == InstallerTarget::Native) return true;
  std::vector<Resource> merged;
  if (!ReadResources(program->bytes, &merged, problem)) return false;
  // The program's resources of the types given are replaced whole: an icon's images and its group
  // belong together, and a program has one manifest and one version resource.
  auto replaced = [&](const Resource& resource) {
    for (const Resource& added : resources) {
      if (added.type.id == resource.type.id && added.type.text == resource.type.text) return true;
    }
    return false;
  };
  merged.erase(std::remove_if(merged.begin(), merged.end(), replaced), merged.end());
  merged.insert(merged.end(), resources.begin(), resources.end());

  program->identityAddress = program->freeAddress;
  program->identityOffset = AlignUp(program->bytes.size(), program->fileAlignment);
  std::string section = LayOutResources(merged, program->identityAddress);
  program->resourceSize = (uint32_t)section.size();

  const bool wide = program->target == InstallerTarget::Win64;
  const uint64_t directories = program->optionalHeader + (wide ? 112 : 96);
  if (Get32(program->bytes, directories + 8ull * kLoadConfigDirectory) == 0) {
    // IMAGE_LOAD_CONFIG_DIRECTORY as far as its SafeSEH fields: 72 bytes with DependentLoadFlags
    // at 54 in a 32-bit image, 112 bytes with it at 78 in a 64-bit one. Everything else is zero:
    // no security cookie, no SafeSEH table (the program registers no exception handler of its
    // own), no control-flow guard. A 32-bit image's data directory gives 64 as the size, as
    // Microsoft's linker writes it, which Windows XP requires.
    const uint32_t size = wide ? 112 : 72;
    section.resize(AlignUp(section.size(), 8), '\0');
    const uint64_t at = section.size();
    section.resize(at + size, '\0');
    Put32(&section, at, size);
    Put16(&section, at + (wide ? 78 : 54), kDependentLoadFlags);
    program->loadConfigAddress = program->identityAddress + (uint32_t)at;
    program->loadConfigSize = wide ? size : 64;
  }
  program->identitySection = section;
  program->identityRawSize = (uint32_t)AlignUp(section.size(), program->fileAlignment);
  program->blockOffset = program->identityOffset + program->identityRawSize;
  return true;
}

bool IsInstallerFile(const std::string& path) {
  const int fd = OpenForReading(path);
  if (fd < 0) return false;
  uint64_t size = 0;
  std::string problem;
  std::string head(4096, '\0'), end(kTrailerSize, '\0');
  const bool read = RegularFileSize(fd, &size, &problem) && size >= kTrailerSize &&
                    ReadAt(fd, &end[0], end.size(), size - kTrailerSize) &&
                    ReadAt(fd, &head[0], (size_t)std::min<uint64_t>(size, head.size()), 0);
  close(fd);
  if (!read) return false;
  if (end.compare(0, 8, kTrailerMagic, 8) == 0) return true;
  head.resize((size_t)std::min<uint64_t>(size, head.size()));
  if (head.size() < 64 || head.compare(0, 2, "MZ") != 0) return false;
  const uint64_t pe = Get32(head, 0x3C);
  if (pe + 24 > head.size() || head.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return false;
  // The block begins where the last section's bytes end.
  const uint64_t table = pe + 24 + Get16(head, pe + 20);
  uint64_t rawEnd = 0;
  for (uint32_t i = 0, count = Get16(head, pe + 6); i < count; ++i) {
    const uint64_t header = table + (uint64_t)kSectionHeaderSize * i;
    if (header + kSectionHeaderSize > head.size()) return false;
    const uint64_t rawSize = Get32(head, header + 16);
    if (rawSize > 0) rawEnd = std::max<uint64_t>(rawEnd, Get32(head, header + 20) + rawSize);
  }
  std::string magic(sizeof kMagic, '\0');
  const int again = OpenForReading(path);
  if (again < 0) return false;
  const bool found = rawEnd + sizeof kMagic <= size && ReadAt(again, &magic[0], magic.size(), rawEnd) &&
                     magic.compare(0, sizeof kMagic, kMagic, sizeof kMagic) == 0;
  close(again);
  return found;
}

std::string ImageHead(const InstallerProgram& program) {
  std::string head = program.bytes;
  head.resize(program.blockOffset, '\0');
  if (program.target == InstallerTarget::Native || program.identitySection.empty()) return head;
  // The new section after the program's own; the block lies after the image, which neither maps
  // nor counts it.
  const uint64_t optional = program.optionalHeader;
  const uint64_t directories = optional + (program.target == InstallerTarget::Win64 ? 112 : 96);
  const uint64_t section = program.newSectionHeader;
  head.replace(section, 8, kIdentitySectionName, 8);
  Put32(&head, section + 8, (uint32_t)program.identitySection.size());
  Put32(&head, section + 12, program.identityAddress);
  Put32(&head, section + 16, program.identityRawSize);
  Put32(&head, section + 20, (uint32_t)program.identityOffset);
  Put32(&head, section + 36, kIdentitySectionCharacteristics);
  head.replace(program.identityOffset, program.identitySection.size(), program.identitySection);
  Put32(&head, directories + 8ull * kResourceDirectory, program.identityAddress);
  Put32(&head, directories + 8ull * kResourceDirectory + 4, program.resourceSize);
  if (program.loadConfigAddress != 0) {
    Put32(&head, directories + 8ull * kLoadConfigDirectory, program.loadConfigAddress);
    Put32(&head, directories + 8ull * kLoadConfigDirectory + 4, program.loadConfigSize);
  }
  if (program.programResourceHeader != 0) head.replace(program.programResourceHeader, 8, kOldResourceSectionName, 8);
  // NumberOfSections sits 20 bytes before the optional header, in the file header.
  Put16(&head, optional - 20 + 2, program.sectionCount + 1);
  Put32(&head, optional + kSizeOfInitializedData, Get32(head, optional + kSizeOfInitializedData) + program.identityRawSize);
  Put32(&head, optional + kSizeOfImage,
        (uint32_t)AlignUp(program.identityAddress + program.identitySection.size(), program.sectionAlignment));
  Put32(&head, optional + kCheckSum, 0);
  return head;
}

std::string ImageTail(const InstallerProgram& program, uint64_t blockSize) {
  if (program.target != InstallerTarget::Native) {
    // A signature appended to the file must start on 8 bytes.
    return std::string(AlignUp(program.blockOffset + blockSize, 8) - (program.blockOffset + blockSize), '\0');
  }
  std::string tail(kTrailerSize, '\0');
  tail.replace(0, 8, kTrailerMagic, 8);
  Put64(&tail, 8, program.blockOffset);
  Put64(&tail, 16, blockSize);
  return tail;
}

uint32_t PeChecksum(const unsigned char* data, uint64_t size, uint64_t checksumOffset) {
  return FinishSum(AddWords(0, data, size, 0, checksumOffset), size);
}

bool FinishChecksum(const InstallerProgram& program, int fd, uint64_t fileSize) {
  if (program.target == InstallerTarget::Native) return true;
  const uint64_t checksumOffset = program.optionalHeader + kCheckSum;
  // Read back in even-sized blocks, so that every block but the last starts and ends on a word.
  std::vector<unsigned char> buffer(1 << 20);
  uint64_t sum = 0;
  for (uint64_t offset = 0; offset < fileSize;) {
    const size_t want = (size_t)std::min<uint64_t>(buffer.size(), fileSize - offset);
    if (!ReadAt(fd, buffer.data(), want, offset)) return false;
    sum = AddWords(sum, buffer.data(), want, offset, checksumOffset);
    offset += want;
  }
  unsigned char field[4];
  const uint32_t checksum = FinishSum(sum, fileSize);
  for (int i = 0; i < 4; ++i) field[i] = (unsigned char)(checksum >> (8 * i));
  return WriteAt(fd, field, sizeof field, checksumOffset);
}
