// Writing the installer data block's metadata: the header, the settings and the payload table.
#include "tools/pack/image/installer_data_writer.h"

#include "tools/pack/common/byte_order.h"
#include "product/installer_data.h"

using namespace installer_data;

namespace {

uint64_t AlignUp8(uint64_t value) { return (value + 7) & ~(uint64_t)7; }

// The texts of the block in the order they are stored: the settings texts, the file names, then
// the data files' stem when there are data files.
std::vector<const std::string*> Texts(const Product& product, size_t dataFileCount, const std::string& dataFileStem) {
  const InstallerIdentity& identity = product.identity;
  std::vector<const std::string*> texts = {&product.groupName,     &product.appTitle,     &product.iniFileName,
                                           &product.startupPrompt, &product.mainExecutable, &product.productId,
                                           &identity.productName,  &identity.version,     &identity.publisher,
                                           &product.urlInfoAbout,  &product.helpLink};
  for (const ProductFile& file : product.files) texts.push_back(&file.name);
  if (dataFileCount > 0) texts.push_back(&dataFileStem);
  return texts;
}

// Where the data files' records begin, and the piece checks after them.
uint64_t DataFilesBegin(size_t fileCount) { return AlignUp8(kFilesOffset + (uint64_t)kFileRecordSize * fileCount); }

// The data files' records: the stem's reference, a length per file and a digest per segment.
uint64_t DataFilesRecordSize(size_t dataFileCount, uint64_t segmentCount) {
  return dataFileCount > 0 ? 8 + 8 * (uint64_t)dataFileCount + kDataFileDigestSize * segmentCount : 0;
}

uint64_t ChecksBegin(size_t fileCount, size_t dataFileCount, uint64_t segmentCount) {
  return DataFilesBegin(fileCount) + DataFilesRecordSize(dataFileCount, segmentCount);
}

uint64_t TextsBegin(size_t fileCount, uint64_t pieceCount, size_t dataFileCount, uint64_t segmentCount) {
  return ChecksBegin(fileCount, dataFileCount, segmentCount) + 12 * pieceCount;
}

uint64_t SegmentCount(const PackedPayload& payload) {
  uint64_t count = 0;
  for (const PackedDataFile& file : payload.dataFiles) count += file.segmentDigests.size();
  return count;
}

}  // namespace

std::vector<uint32_t> PieceCounts(const std::vector<PackSource>& sources) {
  std::vector<uint32_t> counts;
  counts.reserve(sources.size());
  for (const PackSource& source : sources) counts.push_back((uint32_t)((source.size + kPieceSize - 1) / kPieceSize));
  return counts;
}

uint64_t InstallerMetadataSize(const Product& product, const std::vector<uint32_t>& pieceCounts,
                               size_t dataFileCount, uint64_t segmentCount, const std::string& dataFileStem) {
  uint64_t pieceCount = 0;
  for (uint32_t count : pieceCounts) pieceCount += count;
  uint64_t size = TextsBegin(product.files.size(), pieceCount, dataFileCount, segmentCount);
  for (const std::string* text : Texts(product, dataFileCount, dataFileStem)) size += text->size() + 1;
  return AlignUp8(size);
}

std::string InstallerMetadata(const Product& product, const PackedPayload& payload) {
  std::vector<uint32_t> pieceCounts;
  uint64_t pieceCount = 0;
  for (const std::vector<PackedPiece>& pieces : payload.files) {
    pieceCounts.push_back((uint32_t)pieces.size());
    pieceCount += pieces.size();
  }
  const size_t dataFileCount = payload.dataFiles.size();
  const uint64_t segmentCount = SegmentCount(payload);
  const uint64_t metadataSize =
      InstallerMetadataSize(product, pieceCounts, dataFileCount, segmentCount, payload.dataFileStem);
  std::string out(metadataSize, '\0');
  out.replace(0, sizeof kMagic, kMagic, sizeof kMagic);
  // Format 3 only where a name has folders in it: an installer of bare names keeps format 2's bytes.
  bool anyPath = product.mainExecutable.find('\\') != std::string::npos;
  for (const ProductFile& file : product.files) anyPath = anyPath || file.name.find('\\') != std::string::npos;
  Put32(&out, kVersionOffset, anyPath ? kFormatVersion : kBareNamesFormatVersion);
  Put32(&out, kHeaderSizeOffset, kHeaderSize);
  // With data files the pieces are theirs, and the block ends with the metadata.
  Put64(&out, kBlockSizeOffset, metadataSize + (dataFileCount > 0 ? 0 : payload.totalBytes));
  Put32(&out, kMetadataSizeOffset, (uint32_t)metadataSize);
  Put32(&out, kFileCountOffset, (uint32_t)product.files.size());
  Put32(&out, kPieceCountOffset, (uint32_t)pieceCount);
  Put32(&out, kOfferStartupOffset, (uint32_t)product.offerStartupGroup);
  Put64(&out, kInstalledSizeOffset, product.installedSize);
  Put32(&out, kDataFileCountOffset, (uint32_t)dataFileCount);

  // Each text's reference: the settings texts in the settings area, the file names in the file
  // records (beside each file's piece count).
  uint64_t textAt = TextsBegin(product.files.size(), pieceCount, dataFileCount, segmentCount);
  const std::vector<const std::string*> texts = Texts(product, dataFileCount, payload.dataFileStem);
  for (size_t i = 0; i < texts.size(); ++i) {
    const uint64_t reference = i < kSettingsTextCount                        ? kSettingsOffset + 8 * i
                               : i < kSettingsTextCount + product.files.size() ? kFilesOffset + kFileRecordSize * (i - kSettingsTextCount)
                                                                               : DataFilesBegin(product.files.size());
    Put32(&out, reference, (uint32_t)textAt);
    Put32(&out, reference + 4, (uint32_t)texts[i]->size());
    out.replace(textAt, texts[i]->size(), *texts[i]);
    textAt += texts[i]->size() + 1;
  }

  const uint64_t dataFilesBegin = DataFilesBegin(product.files.size());
  uint64_t digestAt = dataFilesBegin + 8 + 8 * dataFileCount;
  for (size_t k = 0; k < dataFileCount; ++k) {
    Put64(&out, dataFilesBegin + 8 + 8 * k, payload.dataFiles[k].size);
    for (const std::array<unsigned char, 32>& digest : payload.dataFiles[k].segmentDigests) {
      out.replace(digestAt, kDataFileDigestSize, reinterpret_cast<const char*>(digest.data()), kDataFileDigestSize);
      digestAt += kDataFileDigestSize;
    }
  }
  const uint64_t checksBegin = ChecksBegin(product.files.size(), dataFileCount, segmentCount);
  const uint64_t sizesBegin = checksBegin + 8 * pieceCount;
  uint64_t piece = 0;
  for (size_t i = 0; i < payload.files.size(); ++i) {
    Put32(&out, kFilesOffset + kFileRecordSize * i + 8, pieceCounts[i]);
    for (const PackedPiece& packed : payload.files[i]) {
      Put64(&out, checksBegin + 8 * piece, packed.check);
      Put32(&out, sizesBegin + 4 * piece, packed.size);
      ++piece;
    }
  }
  Put64(&out, kCheckOffset,
        PieceCheck(reinterpret_cast<const unsigned char*>(out.data()) + kCheckedFrom, metadataSize - kCheckedFrom));
  return out;
}
