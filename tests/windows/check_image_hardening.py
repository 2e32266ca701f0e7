#!/usr/bin/env python3
"""Reads the headers of finished Windows installers and fails unless each is a hardened image:
address-space randomisation (and high-entropy addresses in a 64-bit one) and DEP switched on, its
base relocations present, no section both writable and executable, and a load configuration whose
DependentLoadFlags keep the imports of imported DLLs in the system folder.

    check_image_hardening.py INSTALLER...
"""

import struct
import sys

DYNAMIC_BASE, NX_COMPAT, HIGH_ENTROPY_VA = 0x0040, 0x0100, 0x0020
RELOCS_STRIPPED = 0x0001
MEM_EXECUTE, MEM_WRITE = 0x20000000, 0x80000000
LOAD_LIBRARY_SEARCH_SYSTEM32 = 0x0800


def problems(path):
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[:2] != b"MZ" or data[pe:pe + 4] != b"PE\0\0":
        return ["not a Windows program"]
    machine, sections, _, _, _, optional_size, characteristics = struct.unpack_from("<HHIIIHH", data, pe + 4)
    optional = pe + 24
    wide = struct.unpack_from("<H", data, optional)[0] == 0x20B
    dll_characteristics = struct.unpack_from("<H", data, optional + 70)[0]
    directories = optional + (112 if wide else 96)
    directory = lambda index: struct.unpack_from("<II", data, directories + 8 * index)
    table = optional + optional_size
    section_list = []
    for i in range(sections):
        header = table + 40 * i
        name = data[header:header + 8].rstrip(b"\0").decode("latin-1")
        size, address, raw_size, raw_offset = struct.unpack_from("<IIII", data, header + 8)
        flags = struct.unpack_from("<I", data, header + 36)[0]
        section_list.append((name, address, max(size, raw_size), raw_offset, flags))

    def file_offset(rva):
        for name, address, size, raw_offset, flags in section_list:
            if address <= rva < address + size:
                return raw_offset + rva - address
        return None

    found = []
    if not dll_characteristics & DYNAMIC_BASE:
        found.append("address-space randomisation is off (DYNAMIC_BASE)")
    if not dll_characteristics & NX_COMPAT:
        found.append("DEP is off (NX_COMPAT)")
    if wide and not dll_characteristics & HIGH_ENTROPY_VA:
        found.append("high-entropy addresses are off (HIGH_ENTROPY_VA)")
    relocations, relocations_size = directory(5)
    if characteristics & RELOCS_STRIPPED or relocations_size == 0 or file_offset(relocations) is None:
        found.append("its base relocations are stripped")
    for name, address, size, raw_offset, flags in section_list:
        if flags & MEM_WRITE and flags & MEM_EXECUTE:
            found.append(f"section {name} is both writable and executable")
    load_config, load_config_size = directory(10)
    at = file_offset(load_config) if load_config else None
    if at is None:
        found.append("it has no load configuration")
    else:
        flags = struct.unpack_from("<H", data, at + (78 if wide else 54))[0]
        if flags != LOAD_LIBRARY_SEARCH_SYSTEM32:
            found.append(f"its DependentLoadFlags are {flags:#x}, not {LOAD_LIBRARY_SEARCH_SYSTEM32:#x}")
    print(f"{path}: {'PE32+' if wide else 'PE32'}, DllCharacteristics {dll_characteristics:#06x}, "
          f"sections {' '.join(s[0] for s in section_list)}, load configuration at {load_config:#x}")
    return found


def main():
    failures = 0
    for path in sys.argv[1:]:
        for problem in problems(path):
            print(f"FAIL: {path}: {problem}")
            failures += 1
    print("PASS" if failures == 0 else f"{failures} failures")
    return 0 if failures == 0 and len(sys.argv) > 1 else 1


if __name__ == "__main__":
    sys.exit(main())
