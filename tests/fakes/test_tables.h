// Settings and payload tables that unit tests can change, standing in for the generated ones.
#pragma once
#include <string>
#include <vector>

#include "product/installer_settings.h"
#include "product/payload_table.h"

namespace fake {

/// The settings the installer sees; Reset restores the Tovalin values of the sample product.
extern SettingsRecord Settings;

/// One product file for UseFiles.
struct ProductFile {
  std::string name;
  std::string contents;
};

/// Deterministic bytes that compress only partly, like real program files, so pieces have a
/// realistic size. The same `size` and `seed` always give the same bytes.
std::string PartlyCompressibleBytes(size_t size, unsigned seed);

/// Restores the Tovalin settings and an empty payload.
void ResetTables();

/// Packs `files` the way the packaging tool does (30,000-byte pieces, one zlib stream each,
/// checksums recorded) and makes them the installer's PayloadTable.
void UseFiles(const std::vector<ProductFile>& files);

/// The stored compressed bytes of a piece, for tests that damage the installer. After changing
/// a piece's length, call ResizePiece so the table agrees.
std::vector<unsigned char>& Piece(int file, int chunk);
void ResizePiece(int file, int chunk, size_t size);

/// Recomputes a piece's recorded checksum, so damage that the checksum cannot see is modelled.
void RecheckPiece(int file, int chunk);

}  // namespace fake
