// The resources that give the finished Windows installer its identity: version information,
// manifest and icon, made from the description's identity settings.
#include "tools/pack/image/identity_resources.h"

#include "tools/pack/common/byte_order.h"
#include "tools/pack/common/file_io.h"
#include "tools/pack/common/unicode_text.h"

namespace {

// The one language of the texts: US English, Unicode (the translation 0409 04B0).
const uint16_t kLanguage = 0x0409;

void Pad4(std::string* bytes) {
  while (bytes->size() % 4) bytes->push_back('\0');
}
void AppendText(std::string* bytes, const std::u16string& text) {
  for (char16_t unit : text) Append16(bytes, unit);
  Append16(bytes, 0);
}

// One node of a version resource: its length, its value's length (in bytes, or in characters for
// a text), whether the value is text, its key, its value and its children, each 4-byte aligned.
std::string VersionNode(const std::u16string& key, const std::string& value, uint16_t valueLength, bool text,
                        const std::vector<std::string>& children) {
  std::string node(6, '\0');
  AppendText(&node, key);
  Pad4(&node);
  node += value;
  for (const std::string& child : children) {
    Pad4(&node);
    node += child;
  }
  Put16(&node, 0, (uint32_t)node.size());
  Put16(&node, 2, valueLength);
  Put16(&node, 4, text ? 1 : 0);
  return node;
}

std::string VersionString(const char16_t* key, const std::string& utf8) {
  std::u16string value;
  Utf8ToUtf16(utf8, &value);
  std::string bytes;
  AppendText(&bytes, value);
  return VersionNode(key, bytes, (uint16_t)(value.size() + 1), true, {});
}

std::string VersionInformation(const InstallerIdentity& identity) {
  const uint16_t* n = identity.versionNumbers;
  std::string fixed;
  Append32(&fixed, 0xFEEF04BD);  // signature
  Append32(&fixed, 0x00010000);  // structure version 1.0
  for (int twice = 0; twice < 2; ++twice) {  // file version, then product version
    Append32(&fixed, ((uint32_t)n[0] << 16) | n[1]);
    Append32(&fixed, ((uint32_t)n[2] << 16) | n[3]);
  }
  Append32(&fixed, 0x3F);       // flags mask: every defined flag
  Append32(&fixed, 0);          // flags: a release build
  Append32(&fixed, 0x00040004);  // VOS_NT_WINDOWS32
  Append32(&fixed, 1);          // VFT_APP
  Append32(&fixed, 0);          // subtype
  Append32(&fixed, 0);          // date: none, so that the same inputs give the same bytes
  Append32(&fixed, 0);

  std::vector<std::string> strings;
  const struct {
    const char16_t* key;
    const std::string& value;
  } texts[] = {{u"CompanyName", identity.publisher},       {u"FileDescription", identity.fileDescription},
               {u"FileVersion", identity.version},         {u"LegalCopyright", identity.copyright},
               {u"ProductName", identity.productName},     {u"ProductVersion", identity.version}};
  for (const auto& text : texts) {
    if (!text.value.empty()) strings.push_back(VersionString(text.key, text.value));
  }
  const std::string table = VersionNode(u"040904B0", "", 0, true, strings);
  const std::string stringInfo = VersionNode(u"StringFileInfo", "", 0, true, {table});
  std::string translation;
  Append16(&translation, kLanguage);
  Append16(&translation, 1200);  // Unicode
  const std::string var = VersionNode(u"Translation", translation, 4, false, {});
  const std::string varInfo = VersionNode(u"VarFileInfo", "", 0, true, {var});
  return VersionNode(u"VS_VERSION_INFO", fixed, (uint16_t)fixed.size(), false, {stringInfo, varInfo});
}

// The application manifest. Every installer gets the same one but for its execution level: the
// Windows versions it was tested against (so that Windows does not apply the compatibility shims
// of older versions), DPI awareness (the dialogs are drawn at the screen's resolution instead of
// being stretched; per monitor where Windows 10 1703 and later scale dialogs themselves, the
// system's resolution before), version 6 of the common controls (today's visual style), and the
// execution level (docs/security.md gives the reasons for each).
std::string Manifest(const InstallerIdentity& identity) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
         "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\r\n"
         "  <trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\">\r\n"
         "    <security>\r\n"
         "      <requestedPrivileges>\r\n"
         "        <requestedExecutionLevel level=\"" +
         identity.executionLevel +
         "\" uiAccess=\"false\"/>\r\n"
         "      </requestedPrivileges>\r\n"
         "    </security>\r\n"
         "  </trustInfo>\r\n"
         "  <compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">\r\n"
         "    <application>\r\n"
         "      <supportedOS Id=\"{e2011457-1546-43c5-a5fe-008deee3d3f0}\"/><!-- Vista -->\r\n"
         "      <supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/><!-- 7 -->\r\n"
         "      <supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/><!-- 8 -->\r\n"
         "      <supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/><!-- 8.1 -->\r\n"
         "      <supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/><!-- 10 and 11 -->\r\n"
         "    </application>\r\n"
         "  </compatibility>\r\n"
         "  <application xmlns=\"urn:schemas-microsoft-com:asm.v3\">\r\n"
         "    <windowsSettings>\r\n"
         "      <dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>\r\n"
         "      <dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2</dpiAwareness>\r\n"
         "    </windowsSettings>\r\n"
         "  </application>\r\n"
         "  <dependency>\r\n"
         "    <dependentAssembly>\r\n"
         "      <assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" "
         "processorArchitecture=\"*\" publicKeyToken=\"6595b64144ccf1df\" language=\"*\"/>\r\n"
         "    </dependentAssembly>\r\n"
         "  </dependency>\r\n"
         "</assembly>\r\n";
}

// Reads the icon file at `path` into one resource per image and the group naming them (ids 1 and
// up, group 1). Returns an empty text, or what is wrong with the file.
std::string IconResources(const std::string& path, std::vector<Resource>* resources) {
  std::string bytes, error;
  if (!ReadWholeFile(path, &bytes, &error)) return error;
  const std::string notIcon = path + ": not an icon file";
  if (bytes.size() < 6 || Get16(bytes, 0) != 0 || Get16(bytes, 2) != 1) return notIcon + " (no icon header)";
  const uint32_t count = Get16(bytes, 4);
  if (count == 0) return notIcon + " (it holds no image)";
  if (6 + 16ull * count > bytes.size()) return notIcon + " (its image list is cut short)";
  std::string group;
  Append16(&group, 0);
  Append16(&group, 1);  // an icon, not a cursor
  Append16(&group, count);
  for (uint32_t i = 0; i < count; ++i) {
    const size_t entry = 6 + 16 * i;
    const uint32_t size = Get32(bytes, entry + 8);
    const uint32_t offset = Get32(bytes, entry + 12);
    if (size < 8 || (uint64_t)offset + size > bytes.size()) {
      return notIcon + " (image " + std::to_string(i + 1) + " lies outside the file)";
    }
    const std::string image = bytes.substr(offset, size);
    // Windows reads each image as a PNG or as a bitmap with its 40-byte header.
    if (image.compare(0, 8, "\x89PNG\r\n\x1a\n", 8) != 0 && Get32(image, 0) != 40) {
      return notIcon + " (image " + std::to_string(i + 1) + " is neither a PNG nor a bitmap)";
    }
    Resource icon;
    icon.type.id = kResourceIcon;
    icon.name.id = i + 1;
    icon.language = kLanguage;
    icon.data = image;
    resources->push_back(icon);
    group += bytes.substr(entry, 12);  // width, height, colours, reserved, planes, bits, size
    Append16(&group, i + 1);
  }
  Resource groupIcon;
  groupIcon.type.id = kResourceGroupIcon;
  groupIcon.name.id = 1;
  groupIcon.language = kLanguage;
  groupIcon.data = group;
  resources->push_back(groupIcon);
  return std::string();
}

}  // namespace

bool IdentityResources(const InstallerIdentity& identity, std::vector<Resource>* resources, std::string* problem) {
  resources->clear();
  Resource version;
  version.type.id = kResourceVersion;
  version.name.id = 1;
  version.language = kLanguage;
  version.data = VersionInformation(identity);
  resources->push_back(version);
  Resource manifest;
  manifest.type.id = kResourceManifest;
  manifest.name.id = 1;  // the manifest Windows reads when it creates the process
  manifest.language = kLanguage;
  manifest.data = Manifest(identity);
  resources->push_back(manifest);
  if (!identity.iconPath.empty()) {
    *problem = IconResources(identity.iconPath, resources);
    if (!problem->empty()) return false;
  }
  return true;
}
