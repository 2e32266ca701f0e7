// Writing the installer data block's metadata: the header, the settings and the payload table.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

#include "tools/pack/image/packer.h"
#include "tools/pack/description/product.h"

/// Number of pieces each file of `sources` is cut into (kPieceSize each, the last one shorter;
/// none for an empty file), in order.
std::vector<uint32_t> PieceCounts(const std::vector<PackSource>& sources);

/// Size of the metadata (everything of the block before the pieces) for `product` whose files
/// are cut into `pieceCounts` pieces, with `dataFileCount` data files of `segmentCount` segments in
/// all named by `dataFileStem` (none by default): known before any piece is compressed when there
/// are no data files, so that the pieces can be written straight after room left for it. A
/// multiple of 8.
uint64_t InstallerMetadataSize(const Product& product, const std::vector<uint32_t>& pieceCounts,
                               size_t dataFileCount = 0, uint64_t segmentCount = 0,
                               const std::string& dataFileStem = std::string());

/// The metadata for `product` packed as `payload` (one entry per file of the product, in order),
/// followed in the block by the pieces, or with the pieces in `payload`'s data files:
/// InstallerMetadataSize bytes, metadata check included. The bytes depend on nothing but the
/// product and the pieces.
std::string InstallerMetadata(const Product& product, const PackedPayload& payload);
