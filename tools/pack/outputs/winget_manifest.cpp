// The Windows Package Manager's manifests of a finished installer, as YAML of the multi-file form.
#include "tools/pack/outputs/winget_manifest.h"

#include <errno.h>
#include <string.h>
#include <unistd.h>

#include <filesystem>

#include "tools/pack/common/file_io.h"
#include "tools/pack/description/name_messages.h"
#include "product/exit_status.h"

const char kWingetManifestVersion[] = "1.10.0";

namespace {

// The exit statuses a package manager can act on, in the words of the manifest's schema. Status
// 7, 8, 9 and 11 are the uninstaller's alone, and 13 that of an installer with data files, which
// has no manifest; an interactive run always ends with 0.
const struct {
  ExitStatus status;
  const char* response;
} kExpectedReturnCodes[] = {
    {ExitNoDirectory, "contactSupport"},   // the data directory cannot be made or entered
    {ExitCannotCreate, "fileInUse"},       // a file cannot be created: most often one in use
    {ExitWriteFailed, "diskFull"},
    {ExitNoMemory, "insufficientMemory"},
    {ExitDamaged, "contactSupport"},       // the download is damaged
    {ExitBadOptions, "invalidParameter"},
    {ExitBusy, "installInProgress"},
    {ExitOpenToOthers, "blockedByPolicy"},  // the data directory is open to other users
};

// A text of the description as a YAML double-quoted scalar: QuoteForMessage escapes quotes,
// backslashes and control characters as YAML reads them, so that no text can end the value or add
// a key; UTF-8 passes as it is.
std::string Quoted(const std::string& text) { return QuoteForMessage(text); }

// The lines every manifest begins with: the schema for editors, and the package's identity.
std::string Head(const Product& product, const char* schema) {
  return std::string("# Written by instpack from its product description.\n") +
         "# yaml-language-server: $schema=https://aka.ms/winget-manifest." + schema + "." + kWingetManifestVersion +
         ".schema.json\n\n" + "PackageIdentifier: " + Quoted(product.packageIdentifier) + "\n" +
         "PackageVersion: " + Quoted(product.identity.version) + "\n";
}

std::string Tail(const char* manifestType) {
  return std::string("ManifestType: ") + manifestType + "\nManifestVersion: " + kWingetManifestVersion + "\n";
}

std::string VersionManifest(const Product& product) {
  return Head(product, "version") + "DefaultLocale: en-US\n" + Tail("version");
}

std::string LocaleManifest(const Product& product) {
  std::string text = Head(product, "defaultLocale") + "PackageLocale: en-US\n" +
                     "Publisher: " + Quoted(product.identity.publisher) + "\n" +
                     "PackageName: " + Quoted(product.identity.productName) + "\n";
  if (!product.urlInfoAbout.empty()) text += "PackageUrl: " + Quoted(product.urlInfoAbout) + "\n";
  if (!product.helpLink.empty()) text += "PublisherSupportUrl: " + Quoted(product.helpLink) + "\n";
  text += "License: " + Quoted(product.license) + "\n";
  if (!product.identity.copyright.empty()) text += "Copyright: " + Quoted(product.identity.copyright) + "\n";
  text += "ShortDescription: " + Quoted(product.shortDescription) + "\n";
  return text + Tail("defaultLocale");
}

// The installer decides for all users or for one by its elevation (the execution level): one that
// always asks for it installs for all users, one that never does for the user who runs it, and
// one of highestAvailable for either, so its scope is left to the package manager.
std::string InstallerManifest(const Product& product, InstallerTarget target, const std::string& sha256) {
  const std::string& level = product.identity.executionLevel;
  std::string text = Head(product, "installer") + "InstallerType: exe\n";
  if (level == "requireAdministrator") text += "Scope: machine\n";
  if (level == "asInvoker") text += "Scope: user\n";
  text += std::string("InstallModes:\n- interactive\n- silent\n") +
          "InstallerSwitches:\n"
          "  Silent: /S\n"
          "  SilentWithProgress: /S\n"
          "  InstallLocation: /D=<INSTALLPATH>\n"
          "ExpectedReturnCodes:\n";
  for (const auto& code : kExpectedReturnCodes) {
    text += "- InstallerReturnCode: " + std::to_string((int)code.status) + "\n  ReturnResponse: " + code.response + "\n";
  }
  text += "UpgradeBehavior: install\n";
  if (level == "requireAdministrator") text += "ElevationRequirement: elevatesSelf\n";
  text += "ProductCode: " + Quoted(product.productId) + "\n" +
          "AppsAndFeaturesEntries:\n"
          "- DisplayName: " + Quoted(product.identity.productName) + "\n" +
          "  Publisher: " + Quoted(product.identity.publisher) + "\n" +
          "  DisplayVersion: " + Quoted(product.identity.version) + "\n" +
          "  ProductCode: " + Quoted(product.productId) + "\n" +
          "Installers:\n"
          "- Architecture: " + (target == InstallerTarget::Win32 ? "x86" : "x64") + "\n" +
          "  InstallerUrl: " + Quoted(product.installerUrl) + "\n" +
          "  InstallerSha256: " + sha256 + "\n";
  return text + Tail("installer");
}

bool WriteManifestFile(const std::string& path, const std::string& text, std::string* error) {
  const std::string temporary = path + "." + std::to_string(ProcessNumber()) + ".tmp";
  const int fd = CreateForWriting(temporary, false);
  if (fd < 0) {
    *error = "cannot create " + path + ": " + strerror(errno);
    return false;
  }
  const bool written = WriteAll(fd, text.data(), text.size());
  const int writeError = errno;
  if (close(fd) != 0 || !written) {
    *error = "cannot write " + path + ": " + strerror(written ? errno : writeError);
    remove(temporary.c_str());
    return false;
  }
  if (!RenameOver(temporary, path)) {
    *error = "cannot rename " + temporary + " to " + path + ": " + strerror(errno);
    remove(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> WingetManifestMissing(const Product& product) {
  const struct {
    const std::string& value;
    const char* key;
    const char* what;
  } needed[] = {
      {product.packageIdentifier, "packageIdentifier", "the package's identifier, such as \"Velbrook.Tovalin\""},
      {product.identity.publisher, "publisher", "the publisher's name"},
      {product.identity.version, "version", "the package's version"},
      {product.license, "license", "the licence the product is under"},
      {product.shortDescription, "shortDescription", "what the product is, in a line"},
      {product.installerUrl, "installerUrl", "the web address the installer is downloaded from"},
  };
  std::vector<std::string> missing;
  for (const auto& setting : needed) {
    if (setting.value.empty()) {
      missing.push_back(std::string(setting.key) + ": missing (--winget-manifest needs " + setting.what + ")");
    }
  }
  return missing;
}

bool WriteWingetManifests(const Product& product, InstallerTarget target, const std::string& installerSha256,
                          const std::string& directory, std::string* error) {
  std::error_code failure;
  std::filesystem::create_directory(std::filesystem::u8path(directory), failure);
  if (failure) {
    *error = "--winget-manifest " + directory + ": cannot make the folder: " + failure.message();
    return false;
  }
  const std::string base = directory + "/" + product.packageIdentifier;
  return WriteManifestFile(base + ".yaml", VersionManifest(product), error) &&
         WriteManifestFile(base + ".installer.yaml", InstallerManifest(product, target, installerSha256), error) &&
         WriteManifestFile(base + ".locale.en-US.yaml", LocaleManifest(product), error);
}
