// Data files beside the installer: their size, their names and writing them.
#include "tools/pack/image/data_files.h"

#include <errno.h>
#include <string.h>
#include <unistd.h>

#include "product/installer_data.h"
#include "tools/pack/common/file_io.h"

bool ParseDataFileSize(const std::string& text, uint64_t* size, std::string* error) {
  *error = "--data-files " + text + ": expected a size in bytes, or with K, M or G (KiB, MiB, GiB), of at least 64K";
  size_t digits = 0;
  uint64_t value = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
    if (value > (UINT64_MAX - 9) / 10) return false;
    value = value * 10 + (uint64_t)(text[digits++] - '0');
  }
  if (digits == 0 || digits + 1 < text.size()) return false;
  int shift = 0;
  if (digits < text.size()) {
    const char unit = text[digits];
    if (unit == 'K' || unit == 'k') shift = 10;
    else if (unit == 'M' || unit == 'm') shift = 20;
    else if (unit == 'G' || unit == 'g') shift = 30;
    else return false;
  }
  if (value > (UINT64_MAX >> shift) || (value << shift) < kMinDataFileSize) return false;
  *size = value << shift;
  error->clear();
  return true;
}

std::string DataFileStem(const std::string& installerPath) {
  const size_t slash = installerPath.find_last_of("/\\");
  std::string name = slash == std::string::npos ? installerPath : installerPath.substr(slash + 1);
  if (name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".exe") == 0) name.resize(name.size() - 4);
  return name;
}

std::string DataFilePath(const std::string& installerPath, size_t number) {
  const size_t slash = installerPath.find_last_of("/\\");
  const std::string folder = slash == std::string::npos ? std::string() : installerPath.substr(0, slash + 1);
  return folder + DataFileStem(installerPath) + "-" + std::to_string(number) + ".bin";
}

DataFileOutput::~DataFileOutput() {
  if (fd_ >= 0) close(fd_);
}

bool DataFileOutput::CloseCurrent(std::string* error) {
  const int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) {
    *error = "cannot write " + DataFilePath(installerPath_, files_.size()) + ": " + strerror(errno);
    return false;
  }
  if (files_.back().size % installer_data::kDataSegmentSize != 0) FinishSegment();
  return true;
}

void DataFileOutput::FinishSegment() {
  files_.back().segmentDigests.emplace_back();
  Sha256Finish(&digest_, files_.back().segmentDigests.back().data());
  Sha256Start(&digest_);
}

bool DataFileOutput::Append(const unsigned char* bytes, size_t size, std::string* error) {
  if (fd_ >= 0 && files_.back().size + size > limit_ && !CloseCurrent(error)) return false;
  if (fd_ < 0) {
    if (files_.size() == installer_data::kMaxDataFiles) {
      *error = "the compressed payload needs more than 1,000 data files of " + std::to_string(limit_) +
               " bytes (choose a larger --data-files)";
      return false;
    }
    files_.emplace_back();
    fd_ = CreateForWriting(TemporaryPath(files_.size()), false);
    if (fd_ < 0) {
      *error = "cannot create " + DataFilePath(installerPath_, files_.size()) + ": " + strerror(errno);
      return false;
    }
    Sha256Start(&digest_);
  }
  if (!WriteAll(fd_, bytes, size)) {
    *error = "cannot write " + DataFilePath(installerPath_, files_.size()) + ": " + strerror(errno);
    return false;
  }
  // A piece may end one segment and begin the next.
  for (size_t done = 0; done < size;) {
    const uint64_t room = installer_data::kDataSegmentSize - files_.back().size % installer_data::kDataSegmentSize;
    const size_t part = size - done < room ? size - done : (size_t)room;
    Sha256Add(&digest_, bytes + done, part);
    files_.back().size += part;
    done += part;
    if (files_.back().size % installer_data::kDataSegmentSize == 0) FinishSegment();
  }
  return true;
}

bool DataFileOutput::Finish(std::string* error) { return fd_ < 0 || CloseCurrent(error); }

bool DataFileOutput::Keep(std::string* error) {
  for (; kept_ < files_.size(); ++kept_) {
    const std::string path = DataFilePath(installerPath_, kept_ + 1);
    if (!RenameOver(TemporaryPath(kept_ + 1), path)) {
      *error = "cannot rename " + TemporaryPath(kept_ + 1) + " to " + path + ": " + strerror(errno);
      return false;
    }
  }
  return true;
}

void DataFileOutput::Discard() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  for (size_t number = kept_ + 1; number <= files_.size(); ++number) remove(TemporaryPath(number).c_str());
}
