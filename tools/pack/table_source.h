// Writing the C++ source that defines the installer's settings record and payload table.
#pragma once
#include <string>
#include <string_view>

#include "packer.h"
#include "product.h"

/// Returns `bytes` as a C string literal: printable ASCII stays as it is, every other byte and
/// '"', '\\' and '?' (so no trigraph can form) become three-digit octal escapes.
std::string CStringLiteral(std::string_view bytes);

/// Returns the text of payload_table.cpp for `product` packed as `payload` (one entry per file
/// of the product, in order). The first line names `descriptionName`, which should be a bare
/// file name: the text holds no path of this machine. The blob is referenced as "payload.bin"
/// through .incbin, so the compiler must be given the output directory as an assembler include
/// path.
std::string PayloadTableSource(const Product& product, const PackedPayload& payload,
                               const std::string& descriptionName);
