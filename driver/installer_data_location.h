// Where a prebuilt installer program keeps the installer data block of its product, and reading
// it from there.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "platform/platform_types.h"
#include "product/installer_data.h"

/// Opens the running program's own file and finds its installer data block in it: in a Windows
/// program, from the file offset where the last section of the module `instance` ends (its
/// headers, mapped by the loader, say where) up to the signature or the end of the file; in the
/// native one, where the trailer at the end of its file says. Returns true with `*size`, the bytes
/// from the block's start that may belong to it (ReadInstallerData checks the block's own size
/// against them), and keeps the file open for ReadInstallerBytes; false when the program holds no
/// block (a program nobody has packaged a product into) or its own file cannot be read. The
/// block's contents are not checked here. While the file is open no one may write to it, rename
/// it or delete it.
bool OpenInstallerData(InstanceHandle instance, uint64_t* size);

/// The same for the native program's file at `path` (OpenInstallerData opens its own).
bool OpenInstallerDataFile(const char* path, uint64_t* size);

/// Reads the `size` bytes at `offset` from the start of the block OpenInstallerData found into
/// `into`; true when every byte was read. Safe to call from several threads at once.
bool ReadInstallerBytes(uint64_t offset, unsigned char* into, uint32_t size);

/// Opens the file called `name` (UTF-8, a bare file name) in the folder of the program's file
/// OpenInstallerData or OpenInstallerDataFile opened, for reading, sharing it with readers only
/// (no one may write to it, rename it or delete it while it is open), and returns a handle for
/// ReadFileAt when it holds exactly `size` bytes; -1 when it is missing, cannot be opened or is
/// of another length (nothing stays open then).
intptr_t OpenFileBesideProgram(const char* name, uint64_t size);

/// Reads the `size` bytes at `offset` of the file `file` opened by OpenFileBesideProgram into
/// `into`; true when every byte was read. Safe to call from several threads at once.
bool ReadFileAt(intptr_t file, uint64_t offset, unsigned char* into, uint32_t size);

/// Opens the data files `table` names (product/payload_table.h) beside the program with
/// OpenFileBesideProgram, each at its recorded length, and makes ReadDataFileBytes the table's
/// reader; they stay open for the rest of the process, so that what the damage check read is what
/// the extraction reads. One that cannot be opened so stays closed, and reading any of its bytes
/// fails (the damage check names it). False, with nothing changed, only when no memory is left
/// for their handles, which come from `allocate` and stay.
bool OpenDataFiles(PayloadTableRecord* table, void* (*allocate)(size_t));

/// The table's reader once OpenDataFiles has run: the `size` bytes at `offset`, counted from the
/// start of the first data file across them all, into `into`; a read may span data files. True
/// when every byte was read. Safe to call from several threads at once.
bool ReadDataFileBytes(uint64_t offset, unsigned char* into, uint32_t size);

/// Closes the file OpenInstallerData opened, when nothing more is to be read from it (an
/// uninstaller, whose files have no pieces, deletes its own file).
void CloseInstallerData();

/// Reads the metadata of the block OpenInstallerData found (`size` as it gave it) into memory from
/// `allocate`, which stays for the rest of the process, and hands it to ReadInstallerData with
/// ReadInstallerBytes as the table's reader, or, when the block names data files, OpenDataFiles'
/// reader. InstallerDataDamaged also when the file cannot be read; InstallerDataNoMemory also when
/// OpenDataFiles finds no memory.
InstallerDataStatus ReadOpenInstallerData(uint64_t size, void* (*allocate)(size_t), SettingsRecord* settings,
                                          PayloadTableRecord* table);
