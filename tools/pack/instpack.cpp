// The packaging tool as a library call: command line in, finished installer out.
#include "tools/pack/instpack.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <filesystem>
#include <memory>
#include <thread>

#include "product/installer_data.h"
#include "tools/pack/common/file_io.h"
#include "tools/pack/common/sha256.h"
#include "tools/pack/description/name_messages.h"
#include "tools/pack/description/product.h"
#include "tools/pack/image/data_files.h"
#include "tools/pack/image/identity_resources.h"
#include "tools/pack/image/installer_data_writer.h"
#include "tools/pack/image/installer_image.h"
#include "tools/pack/image/packer.h"
#include "tools/pack/image/uninstaller.h"
#include "tools/pack/outputs/winget_manifest.h"
#include "tools/pack/signing/signing.h"

namespace fs = std::filesystem;

namespace {

// Escapes a path for a Makefile-syntax depfile, as make and ninja read them.
std::string DepfilePath(const std::string& path) {
  std::string escaped;
  for (char c : path) {
    if (c == ' ' || c == '#') escaped += '\\';
    if (c == '$') escaped += '$';
    escaped += c;
  }
  return escaped;
}

// What one run writes: the installer, and the depfile if asked for, each under a temporary name
// until everything is written.
struct Outputs {
  std::string installer;
  std::string depfile;  // empty when not asked for
  std::string installerTemporary;
  std::string depfileTemporary;
  std::string uninstallerTemporary;  // the generic uninstaller, packed from here
};

void RemoveTemporaries(const Outputs& outputs) {
  remove(outputs.installerTemporary.c_str());
  if (!outputs.depfile.empty()) remove(outputs.depfileTemporary.c_str());
  remove(outputs.uninstallerTemporary.c_str());
}

// After a failure, removes what an earlier run left at the output paths, so that a build cannot
// go on with an installer that no longer matches its description. Only files this tool wrote are
// removed: an installer (recognised by its installer data) and a depfile naming it. Anything
// else there, a mistyped input above all, stays.
void RemoveEarlierOutputs(const Outputs& outputs) {
  if (IsInstallerFile(outputs.installer)) remove(outputs.installer.c_str());
  std::string bytes, ignored;
  if (!outputs.depfile.empty() && ReadWholeFile(outputs.depfile, &bytes, &ignored) &&
      bytes.rfind(DepfilePath(outputs.installer) + ":", 0) == 0) {
    remove(outputs.depfile.c_str());
  }
}

std::string SystemError(const std::string& what, const std::string& path) {
  return "cannot " + what + " " + path + ": " + strerror(errno);
}

// True when `a` and `b` name the same file, existing or not yet: one file system object, or one
// path once made absolute with its links and dots resolved.
bool SamePath(const std::string& a, const std::string& b) {
  if (SameFile(a, b)) return true;
  std::error_code ignored;
  const fs::path first = fs::weakly_canonical(fs::absolute(a, ignored), ignored);
  const fs::path second = fs::weakly_canonical(fs::absolute(b, ignored), ignored);
  return !first.empty() && first == second;
}

// Refuses an output path that names a directory, or a file the run reads (which the output would
// replace), and a depfile that is one of those or the installer itself (written over it last, it
// would leave a description or an installer destroyed). Returns an empty text or the complaint.
std::string OutputPathProblem(const Outputs& outputs, const std::string& descriptionPath,
                              const std::vector<PackSource>& sources, const std::string& stubPath,
                              const std::string& uninstallerStubPath, const std::string& iconPath, bool dataFiles) {
  const std::string& output = outputs.installer;
  if (IsDirectory(output)) return output + ": is a directory (-o names the installer file to write)";
  std::vector<std::string> inputs = {descriptionPath, stubPath, uninstallerStubPath, iconPath};
  for (const PackSource& source : sources) inputs.push_back(source.path);
  // The data files of an earlier run may be among the sources (a tree that holds the outputs).
  std::vector<std::string> written = {output};
  for (size_t number = 1; dataFiles && number <= installer_data::kMaxDataFiles; ++number) {
    const std::string path = DataFilePath(output, number);
    if (access(path.c_str(), F_OK) != 0) break;
    written.push_back(path);
  }
  for (const std::string& input : inputs) {
    for (const std::string& path : written) {
      if (SameFile(path, input)) return path + ": is " + input + ", which this run reads";
    }
  }
  const std::string& depfile = outputs.depfile;
  if (depfile.empty()) return std::string();
  if (IsDirectory(depfile)) return "--depfile " + depfile + ": is a directory";
  if (SamePath(depfile, output)) return "--depfile " + depfile + ": is the installer -o writes";
  for (const std::string& input : inputs) {
    if (!input.empty() && SamePath(depfile, input)) return "--depfile " + depfile + ": is " + input + ", which this run reads";
  }
  return std::string();
}

// Signs the Windows program at `path` and puts the signed program in its place (through
// `path`.signed, which nothing outlives). Returns false with a one-line `*error`; `path` is then
// unsigned or gone, never half signed.
bool SignInPlace(const SigningRequest& signing, long long signingTime, const std::string& path, std::string* error) {
  const std::string signedPath = path + ".signed";
  if (!SignInstaller(signing, signingTime, path, signedPath, error)) return false;
  if (RenameOver(signedPath, path)) return true;
  *error = "cannot rename " + signedPath + " to " + path + ": " + strerror(errno);
  remove(signedPath.c_str());
  return false;
}

// Writes the installer for `product` into the open, empty file `fd` (`path` names the output in
// messages):
// the program's head, the metadata, the pieces straight from the packer (or into `dataFiles`,
// when given, and the metadata after them), the tail, and last the checksum. Returns false with
// `*error` set.
bool WriteInstaller(const Product& product, const std::string& descriptionPath,
                    const std::vector<PackSource>& sources, const InstallerProgram& program, int fd,
                    const std::string& path, int threads, DataFileOutput* dataFiles, std::string* error) {
  FilePieceOutput inProgram(fd, path);
  PieceOutput* output = dataFiles;
  if (dataFiles == nullptr) {
    output = &inProgram;
    const uint64_t metadataSize = InstallerMetadataSize(product, PieceCounts(sources));
    if (!SeekTo(fd, program.blockOffset + metadataSize)) {
      *error = SystemError("write", path);
      return false;
    }
  }
  PackedPayload payload;
  int failedFile = -1;
  std::string problem;
  if (!PackPayload(sources, output, threads, &payload, &failedFile, &problem) ||
      (dataFiles != nullptr && !dataFiles->Finish(&problem))) {
    *error = failedFile >= 0 ? descriptionPath + ": files[" + std::to_string(failedFile) + "] " +
                                   QuoteForMessage(product.files[(size_t)failedFile].name) + ": " + problem
                             : descriptionPath + ": " + problem;
    return false;
  }
  if (dataFiles != nullptr) {
    payload.dataFiles = dataFiles->Files();
    payload.dataFileStem = DataFileStem(path);
  }
  const std::string metadata = InstallerMetadata(product, payload);
  const uint64_t blockSize = metadata.size() + (dataFiles != nullptr ? 0 : payload.totalBytes);
  const std::string head = ImageHead(program);
  const std::string tail = ImageTail(program, blockSize);
  const uint64_t fileSize = program.blockOffset + blockSize + tail.size();
  if (fileSize > kMaxPayloadBytes) {
    *error = descriptionPath + ": the installer would be " + std::to_string(fileSize) +
             " bytes, more than the 4,294,967,288 one installer file holds (its signature must begin within "
             "its first 4 GiB)";
    return false;
  }
  if (!WriteAt(fd, head.data(), head.size(), 0) ||
      !WriteAt(fd, metadata.data(), metadata.size(), program.blockOffset) ||
      !WriteAt(fd, tail.data(), tail.size(), program.blockOffset + blockSize) ||
      !FinishChecksum(program, fd, fileSize)) {
    *error = SystemError("write", path);
    return false;
  }
  return true;
}

// Does the work once the command line is understood, leaving the product as described in
// `*loaded` for the manifests written after the installer; `trees` are the command line's folders; with `manifests`, a product that lacks
// what they need is refused before anything is written. Returns true when every temporary is
// written; false with `*error` set otherwise.
bool Package(const std::string& descriptionPath, const std::vector<std::string>& trees, InstallerTarget target,
             const std::string& stubPath, std::string uninstallerStubPath, const Outputs& outputs, int threads,
             DataFileOutput* dataFiles, const SigningRequest& signing, long long signingTime, bool manifests,
             Product* loaded, std::string* error) {
  Product& product = *loaded;
  if (!LoadProduct(descriptionPath, &product, error, trees)) return false;
  if (manifests) {
    std::string missing;
    for (const std::string& line : WingetManifestMissing(product)) {
      missing += (missing.empty() ? "" : "\ninstpack: ") + descriptionPath + ": " + line;
    }
    if (!missing.empty()) {
      *error = missing;
      return false;
    }
  }

  // Measure every source before packing any, so that a missing file late in the list fails
  // at once instead of after minutes of compression.
  std::vector<PackSource> sources(product.files.size());
  for (size_t i = 0; i < product.files.size(); ++i) {
    sources[i].path = product.files[i].sourcePath;
    std::string problem;
    if (!MeasureSource(sources[i].path, &sources[i].size, &problem)) {
      *error = descriptionPath + ": files[" + std::to_string(i) + "] " +
               QuoteForMessage(product.files[i].name) + ": " + problem;
      return false;
    }
  }
  uint64_t pieceCount = 0;
  for (uint32_t count : PieceCounts(sources)) pieceCount += count;
  if (pieceCount > installer_data::kMaxPieces) {
    *error = descriptionPath + ": files: " + std::to_string(pieceCount) +
             " pieces of 30,000 bytes, more than the 67,108,864 an installer holds";
    return false;
  }
  // The resources both Windows programs get: the product's identity.
  std::vector<Resource> identity;
  std::string problem;
  if (!IdentityResources(product.identity, &identity, &problem)) {
    *error = descriptionPath + ": icon: " + problem;
    return false;
  }
  // The depfile names the uninstaller program among the inputs, never its filled-in temporary.
  std::vector<std::string> dependencies = {descriptionPath};
  for (const PackSource& source : sources) dependencies.push_back(source.path);
  if (!product.identity.iconPath.empty()) dependencies.push_back(product.identity.iconPath);
  for (const std::string& folder : product.treeFolders) dependencies.push_back(folder);
  if (product.suppliesUninstaller) {
    uninstallerStubPath.clear();
  } else {
    if (!AddUninstaller(descriptionPath, target, uninstallerStubPath, identity, outputs.uninstallerTemporary,
                        &product, &sources, error)) {
      return false;
    }
    // Signed like the installer: it asks for elevation by the same manifest, and Windows names
    // its publisher from the signature.
    if (signing.Requested()) {
      if (!SignInPlace(signing, signingTime, outputs.uninstallerTemporary, &problem)) {
        *error = "the uninstaller instpack puts in: " + problem;
        return false;
      }
      if (!MeasureSource(outputs.uninstallerTemporary, &sources.back().size, &problem)) {
        *error = outputs.uninstallerTemporary + ": " + problem;
        return false;
      }
    }
    dependencies.push_back(uninstallerStubPath);
  }
  dependencies.push_back(stubPath);
  for (const PackSource& source : sources) product.installedSize += source.size;

  InstallerProgram program;
  if (!LoadInstallerProgram(stubPath, target, &program, error)) return false;
  // The Windows installer's identity: its resources and load configuration.
  if (!PrepareWindowsImage(&program, identity, &problem)) {
    *error = stubPath + " (the " + TargetName(target) + " installer program): " + problem;
    return false;
  }
  *error = OutputPathProblem(outputs, descriptionPath, sources, stubPath, uninstallerStubPath, product.identity.iconPath,
                             dataFiles != nullptr);
  if (!error->empty()) return false;

  // Messages name the output, not its temporary.
  const int fd = CreateForWriting(outputs.installerTemporary, true);
  if (fd < 0) {
    *error = SystemError("create", outputs.installer);
    return false;
  }
  const bool written =
      WriteInstaller(product, descriptionPath, sources, program, fd, outputs.installer, threads, dataFiles, error);
  if (close(fd) != 0 && written) {
    *error = SystemError("write", outputs.installer);
    return false;
  }
  if (!written) return false;

  if (!outputs.depfile.empty()) {
    std::string depfile = DepfilePath(outputs.installer) + ":";
    for (const std::string& dependency : dependencies) depfile += " " + DepfilePath(dependency);
    depfile += "\n";
    const int depfd = CreateForWriting(outputs.depfileTemporary, false);
    if (depfd < 0) {
      *error = SystemError("create", outputs.depfile);
      return false;
    }
    const bool depWritten = WriteAll(depfd, depfile.data(), depfile.size());
    if (close(depfd) != 0 || !depWritten) {
      *error = SystemError("write", outputs.depfile);
      return false;
    }
  }
  return true;
}

// The prebuilt program of `target` and `kind` installed with the tool: <prefix>/share/instpack/<name>
// for a tool in <prefix>/bin, as the release archives and packages lay it out; else the one in the
// tool's own folder, where instpack's own Windows installer puts every file.
std::string InstalledProgramPath(InstallerTarget target, ProgramKind kind) {
  const std::string self = RunningProgramPath();
  std::string name = ProgramFileName(target, kind);
  if (self.empty()) return name;
  const fs::path folder = fs::path(self).parent_path();
  const fs::path shared = folder.parent_path() / "share" / "instpack" / name;
  const fs::path beside = folder / name;
  std::error_code ignored;
  return (!fs::exists(shared, ignored) && fs::exists(beside, ignored) ? beside : shared).string();
}

}  // namespace

int RunInstpack(int argc, const char* const* argv, std::string* error) {
  std::string descriptionPath;
  std::string outputPath;
  std::string targetName = "win32";
  std::string stubPath;
  std::string uninstallerStubPath;
  std::string depfilePath;
  int threads = (int)std::thread::hardware_concurrency();
  if (threads < 1) threads = 1;

  CLI::App app("Packages a product description into a finished installer.", "instpack");
  app.set_version_flag("--version", "instpack " INSTPACK_VERSION, "Print the version and exit");
  app.add_option("description", descriptionPath, "Product description (TOML)")->required();
  app.add_option("-o,--output", outputPath, "The installer to write")->required();
  std::vector<std::string> trees;
  app.add_option("--tree", trees,
                 "Also pack every file under this folder, at its path below it, after the description's files "
                 "(the description may then leave out files); may be given more than once");
  app.add_option("--target", targetName, "Installer program: win32 (the default), win64 or native")
      ->check(CLI::IsMember({"win32", "win64", "native"}));
  app.add_option("--stub", stubPath, "The prebuilt installer program to fill in (default: the one installed "
                                     "with instpack, in ../share/instpack/)");
  app.add_option("--uninstaller-stub", uninstallerStubPath,
                 "The prebuilt uninstaller program to fill in and pack as uninst.exe when the description has "
                 "none (default: the one installed with instpack, in ../share/instpack/)");
  app.add_option("--depfile", depfilePath, "Also write a Makefile-syntax dependency file here");
  std::string manifestDirectory;
  app.add_option("--winget-manifest", manifestDirectory,
                 "Also write the Windows Package Manager's manifests of the installer into this folder");
  app.add_option("--threads", threads, "Compression threads (default: one per core)")->check(CLI::Range(1, 256));
  std::string dataFileSizeText;
  app.add_option("--data-files", dataFileSizeText,
                 "Put the data into files of at most SIZE bytes (K, M or G: KiB, MiB, GiB) beside the installer, "
                 "<name>-1.bin, <name>-2.bin ..., which the installer needs beside it");
  SigningRequest signing;
  CLI::Option* certificate =
      app.add_option("--certificate", signing.certificate, "Sign with this certificate (PEM or DER; with --key)");
  CLI::Option* key = app.add_option("--key", signing.key, "The certificate's private key (PEM or DER)");
  app.add_option("--pkcs12", signing.pkcs12, "Sign with the certificate and key in this PKCS#12 file")
      ->excludes(certificate)
      ->excludes(key);
  app.add_option("--password-file", signing.passwordFile, "This file holds the key's password (line ends at its end are dropped)");
  app.add_option("--timestamp-url", signing.timestampUrl, "Have the signature time-stamped by this RFC 3161 service");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& help) {
    app.exit(help);
    return 0;
  } catch (const CLI::CallForVersion& version) {
    app.exit(version);
    return 0;
  } catch (const CLI::ParseError& misuse) {
    *error = std::string(misuse.what()) + " (see instpack --help)";
    return 2;
  }
  InstallerTarget target = InstallerTarget::Win32;
  TargetFromName(targetName, &target);
  if (!signing.Requested() && (!signing.passwordFile.empty() || !signing.timestampUrl.empty())) {
    *error = "--password-file and --timestamp-url need --certificate and --key, or --pkcs12 (see instpack --help)";
    return 2;
  }
  if (signing.Requested() && target == InstallerTarget::Native) {
    *error = "only Windows installers are signed, not --target native (see instpack --help)";
    return 2;
  }
  if (!manifestDirectory.empty() && target == InstallerTarget::Native) {
    *error = "--winget-manifest describes Windows installers, not --target native (see instpack --help)";
    return 2;
  }
  uint64_t dataFileSize = 0;
  if (!dataFileSizeText.empty()) {
    if (!ParseDataFileSize(dataFileSizeText, &dataFileSize, error)) {
      *error += " (see instpack --help)";
      return 2;
    }
    if (!manifestDirectory.empty()) {
      *error = "--winget-manifest and --data-files: a manifest names one installer file to download, which "
               "would lack its data files (see instpack --help)";
      return 2;
    }
    const std::string stem = DataFileStem(outputPath);
    if (FileNameProblem(stem.c_str()).kind != NameFine || FileNameProblem((stem + "-1.bin").c_str()).kind != NameFine) {
      *error = "-o " + outputPath + ": its data files would be named " + stem +
               "-1.bin ..., which is not a file name an installer takes (see instpack --help)";
      return 2;
    }
  }
  if (stubPath.empty()) stubPath = InstalledProgramPath(target, ProgramKind::Installer);
  if (uninstallerStubPath.empty()) uninstallerStubPath = InstalledProgramPath(target, ProgramKind::Uninstaller);

  Outputs outputs;
  outputs.installer = outputPath;
  outputs.depfile = depfilePath;
  // Each temporary sits beside its output, so that the rename stays on one file system; the
  // process number keeps two runs writing one output from sharing a temporary.
  const std::string suffix = "." + std::to_string(ProcessNumber()) + ".tmp";
  outputs.installerTemporary = outputPath + suffix;
  outputs.depfileTemporary = depfilePath + suffix;
  outputs.uninstallerTemporary = outputPath + ".uninst" + suffix;

  // The signing material is checked before anything is written, and the installer signed once it
  // is whole: a signature covers every byte of it but the signature itself.
  long long signingTime = 0;
  Product product;
  // Data files are written under temporary names too, and take their names before the installer
  // does: an installer never appears without its data files beside it.
  std::unique_ptr<DataFileOutput> dataFiles;
  if (dataFileSize > 0) dataFiles.reset(new DataFileOutput(outputPath, suffix, dataFileSize));
  if ((signing.Requested() && !CheckSigningMaterial(signing, &signingTime, error)) ||
      !Package(descriptionPath, trees, target, stubPath, uninstallerStubPath, outputs, threads, dataFiles.get(),
               signing, signingTime, !manifestDirectory.empty(), &product, error) ||
      (signing.Requested() && !SignInPlace(signing, signingTime, outputs.installerTemporary, error)) ||
      (dataFiles && !dataFiles->Keep(error))) {
    if (dataFiles) dataFiles->Discard();
    RemoveTemporaries(outputs);
    RemoveEarlierOutputs(outputs);
    return 1;
  }
  // Packed into the installer by now.
  remove(outputs.uninstallerTemporary.c_str());
  if (!RenameOver(outputs.installerTemporary, outputs.installer)) {
    *error = "cannot rename " + outputs.installerTemporary + " to " + outputs.installer + ": " + strerror(errno);
    RemoveTemporaries(outputs);
    return 1;
  }
  if (!depfilePath.empty() && !RenameOver(outputs.depfileTemporary, outputs.depfile)) {
    *error = "cannot rename " + outputs.depfileTemporary + " to " + outputs.depfile + ": " + strerror(errno);
    RemoveTemporaries(outputs);
    return 1;
  }
  // The manifests name the installer by its digest, so they follow it, signed and in place.
  std::string sha256;
  if (!manifestDirectory.empty() && (!Sha256OfFile(outputs.installer, &sha256, error) ||
                                     !WriteWingetManifests(product, target, sha256, manifestDirectory, error))) {
    return 1;
  }
  return 0;
}
