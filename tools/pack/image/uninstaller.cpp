// The generic uninstaller: the prebuilt uninstaller program filled in with the product's settings
// and the names of the files its installer writes.
#include "tools/pack/image/uninstaller.h"

#include <errno.h>
#include <string.h>
#include <unistd.h>

#include "tools/pack/common/file_io.h"
#include "tools/pack/image/installer_data_writer.h"
#include "tools/pack/image/packer.h"

const char kUninstallerName[] = "uninst.exe";

bool WriteUninstaller(const Product& product, InstallerTarget target, const std::string& programPath,
                      const std::vector<Resource>& resources, const std::string& path, std::string* error) {
  InstallerProgram program;
  if (!LoadInstallerProgram(programPath, target, &program, error, ProgramKind::Uninstaller)) return false;
  std::string problem;
  if (!PrepareWindowsImage(&program, resources, &problem)) {
    *error = programPath + ": " + problem;
    return false;
  }
  // The uninstaller needs the files' names only: an installer data block of files with no pieces,
  // which installs nothing.
  PackedPayload namesOnly;
  namesOnly.files.resize(product.files.size());
  Product names = product;
  names.installedSize = 0;
  const std::string metadata = InstallerMetadata(names, namesOnly);
  const std::string image =
      ImageHead(program) + metadata + ImageTail(program, metadata.size());

  const int fd = CreateForWriting(path, true);
  if (fd < 0) {
    *error = "cannot create " + path + ": " + strerror(errno);
    return false;
  }
  const bool written = WriteAll(fd, image.data(), image.size()) && FinishChecksum(program, fd, image.size());
  if (close(fd) != 0 || !written) {
    *error = "cannot write " + path + ": " + strerror(errno);
    return false;
  }
  return true;
}

bool AddUninstaller(const std::string& descriptionPath, InstallerTarget target, const std::string& programPath,
                    const std::vector<Resource>& resources, const std::string& temporary, Product* product, std::vector<PackSource>* sources,
                    std::string* error) {
  ProductFile uninstaller;
  uninstaller.name = kUninstallerName;
  uninstaller.sourcePath = temporary;
  product->files.push_back(uninstaller);
  PackSource source;
  source.path = temporary;
  std::string problem;
  if (!WriteUninstaller(*product, target, programPath, resources, temporary, &problem) ||
      !MeasureSource(temporary, &source.size, &problem)) {
    *error = descriptionPath + ": files: no \"uninst.exe\", so instpack puts in its own uninstaller, but " + problem;
    return false;
  }
  sources->push_back(source);
  return true;
}
