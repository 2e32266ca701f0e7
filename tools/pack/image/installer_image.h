// The prebuilt installer and uninstaller programs: recognising one, and placing an installer data
// block in it.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

#include "tools/pack/image/image_resources.h"

/// The kinds of installer program the project builds.
enum class InstallerTarget { Win32, Win64, Native };

/// "win32", "win64" or "native".
const char* TargetName(InstallerTarget target);

/// Sets `*target` from its name; false for any other text.
bool TargetFromName(const std::string& name, InstallerTarget* target);

/// The two kinds of prebuilt program: the installer, and the generic uninstaller that goes into
/// an installer as its uninst.exe when the product brings none.
enum class ProgramKind { Installer, Uninstaller };

/// The file name of the prebuilt program of `kind` and `target` as the project installs it:
/// "installer-win32.exe", "installer-win64.exe" or "installer-native", and
/// "uninstaller-win32.exe" and so on.
std::string ProgramFileName(InstallerTarget target, ProgramKind kind = ProgramKind::Installer);

/// A prebuilt installer program, checked and ready to take one data block.
struct InstallerProgram {
  InstallerTarget target = InstallerTarget::Win32;
  ProgramKind kind = ProgramKind::Installer;
  std::string bytes;  // the program file as read
  // Windows programs: where the headers are, and where the new section goes.
  uint32_t sectionCount = 0;
  uint64_t optionalHeader = 0;    // file offset of the optional header
  uint64_t newSectionHeader = 0;  // file offset of the first free section header slot
  uint32_t fileAlignment = 1;
  uint32_t sectionAlignment = 1;
  uint32_t freeAddress = 0;       // the first relative virtual address after the program's sections
  uint64_t programResourceHeader = 0;  // file offset of the header of its resource section, or 0
  // The section PrepareWindowsImage adds (resources and load configuration): its bytes and where
  // they go, or empty.
  std::string identitySection;
  uint32_t identityAddress = 0;
  uint64_t identityOffset = 0;
  uint32_t identityRawSize = 0;   // its size in the file: up to the data block, zeros after it
  uint32_t resourceSize = 0;      // the resource directory, at the start of the section
  uint32_t loadConfigAddress = 0;  // relative virtual address of the load configuration, or 0
  uint32_t loadConfigSize = 0;    // its size as the data directory gives it
  // Where the block begins in the finished file: where the last section's bytes end.
  uint64_t blockOffset = 0;
};

/// Reads the prebuilt program at `path` and checks that it is a program of this tool of `kind`
/// for `target`, whole and still without data. Returns false with a one-line `*error` that names
/// `path` when it is missing or unreadable, is not such a program ("foreign"), is the program of
/// another version of instpack (its marker text, product/installer_data.h, names the version) or
/// of another installer data format, is the program of another target, is damaged (headers out of bounds, a Windows program whose checksum does not
/// match), already holds a product, is signed, or has no room for the new section header.
bool LoadInstallerProgram(const std::string& path, InstallerTarget target, InstallerProgram* program,
                          std::string* error, ProgramKind kind = ProgramKind::Installer);

/// Gives the Windows program `program` its finished resources and load configuration, in a new
/// section (".rsrc", initialised data, read only) placed after the program's own and before the
/// data block, which moves behind it:
///  - a resource directory holding the program's own resources (its dialog templates) and
///    `resources`, which replace every resource of the program of the same type;
///  - a load configuration whose DependentLoadFlags keep the imports of the DLLs the program
///    imports to the system folder, unless the program has a load configuration of its own.
/// The image's resource and load-configuration data directories point into the new section; the
/// program's own resource section stays where it is, unused, renamed ".oldrsrc". Works on any
/// prebuilt program LoadInstallerProgram accepts. Does nothing for the native program. Returns
/// false with a one-line `*problem` when the program's resource directory is not well formed.
bool PrepareWindowsImage(InstallerProgram* program, const std::vector<Resource>& resources, std::string* problem);

/// True when `path` names an installer this tool wrote: a native program ending in the trailer,
/// or a Windows program whose last section is followed by a block's magic. Reads only the
/// headers, those bytes and the end.
bool IsInstallerFile(const std::string& path);

/// The bytes of the finished installer before the block: the program with the section of
/// PrepareWindowsImage if it was called (its checksum field then left zero for FinishChecksum),
/// then zeros up to `program.blockOffset`. The block follows the image's last section in the file
/// and lies outside the image: no section holds it, so the loader maps none of it.
std::string ImageHead(const InstallerProgram& program);

/// The bytes after the block: zeros up to a multiple of 8 for a Windows program (where a signature
/// would go); for the native
/// program, the trailer by which it finds the block ("INSTTAIL", the block's offset and size as
/// 64-bit little-endian numbers).
std::string ImageTail(const InstallerProgram& program, uint64_t blockSize);

/// Computes the PE checksum of the finished Windows installer open as `fd` (`fileSize` bytes,
/// checksum field still zero) and writes it into the file. Does nothing for the native program.
/// Returns false with errno set when the file cannot be read or written.
bool FinishChecksum(const InstallerProgram& program, int fd, uint64_t fileSize);

/// The PE checksum of `size` bytes at `data`, whose checksum field is at `checksumOffset` (read
/// as zero), as Windows computes it: the 16-bit ones'-complement sum plus the file's length.
uint32_t PeChecksum(const unsigned char* data, uint64_t size, uint64_t checksumOffset);
