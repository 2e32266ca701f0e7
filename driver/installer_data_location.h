// Where a prebuilt installer program keeps the installer data block of its product.
#pragma once
#include <stddef.h>

#include "platform/platform_types.h"

/// Finds the installer data block of the running program: in a Windows program, the ".payload"
/// section of the module `instance` (its own image, mapped by the loader); in the native one, the
/// block that the trailer at the end of its own file locates, mapped read-only. Returns true with
/// `*block` (8-byte aligned, valid until the process ends) and `*size`; false when the program
/// holds no block (a program nobody has packaged a product into) or its own file cannot be read.
/// The block's contents are not checked here (ReadInstallerData does that).
bool FindInstallerData(InstanceHandle instance, const unsigned char** block, size_t* size);
