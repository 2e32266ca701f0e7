// Helpers shared by instpack's tests: running the tool, and bytes to pack and unpack.
#include "tests/support/pack_support.h"

#include <stdint.h>
#include <zlib.h>

#include "tools/pack/instpack.h"
#include "product/installer_data.h"
#include "tests/support/scratch_folder.h"

int RunTool(const std::vector<std::string>& args, std::string* error) {
  std::vector<const char*> argv = {"instpack"};
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  error->clear();
  return RunInstpack((int)argv.size(), argv.data(), error);
}

std::vector<std::string> NativeOutput(const std::string& output) {
  return {"-o", output, "--target", "native", "--stub", NATIVE_INSTALLER_PROGRAM};
}

void WriteEarlierOutputs(const std::string& installer) {
  std::string bytes = "an earlier installer";
  bytes.append(installer_data::kTrailerMagic, 8);
  bytes.append(16, '\0');
  WriteBytes(installer, bytes);
  WriteBytes(installer + ".d", installer + ": product.toml\n");
}

bool NativeInstallerData(const std::string& installer, std::string* block) {
  const std::string bytes = ReadBytes(installer);
  const size_t trailer = installer_data::kTrailerSize;
  if (bytes.size() < trailer || bytes.compare(bytes.size() - trailer, 8, installer_data::kTrailerMagic, 8) != 0) {
    return false;
  }
  uint64_t offset = 0, size = 0;
  for (int i = 7; i >= 0; --i) {
    offset = (offset << 8) | (unsigned char)bytes[bytes.size() - trailer + 8 + i];
    size = (size << 8) | (unsigned char)bytes[bytes.size() - trailer + 16 + i];
  }
  if (offset > bytes.size() - trailer || size > bytes.size() - trailer - offset) return false;
  *block = bytes.substr(offset, size);
  return true;
}

std::string NoiseBytes(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  uint64_t state = 0x9E3779B97F4A7C15ull * (seed + 1);
  for (size_t i = 0; i < size; ++i) {
    state ^= state << 13, state ^= state >> 7, state ^= state << 17;
    bytes[i] = static_cast<char>(state >> 24);
  }
  return bytes;
}

bool InflateOne(const std::string& stream, size_t limit, std::string* out) {
  z_stream z = {};
  if (inflateInit(&z) != Z_OK) return false;
  out->assign(limit + 1, '\0');
  // zlib reads its input through a pointer to non-const bytes that it does not change.
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data()));
  z.avail_in = static_cast<uInt>(stream.size());
  z.next_out = reinterpret_cast<Bytef*>(out->data());
  z.avail_out = static_cast<uInt>(out->size());
  const int status = inflate(&z, Z_FINISH);
  const bool ok = status == Z_STREAM_END && z.avail_in == 0 && z.total_out <= limit;
  out->resize(z.total_out);
  inflateEnd(&z);
  return ok;
}
