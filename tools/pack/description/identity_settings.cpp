// The description's optional settings that name the finished Windows installer: its version
// information, icon and execution level.
#include "tools/pack/description/identity_settings.h"

#include <stdlib.h>

#include "tools/pack/common/unicode_text.h"

const char* const kIdentityKeys[7] = {"publisher", "productName", "fileDescription", "version",
                                      "copyright", "icon", "executionLevel"};

namespace {
// Version texts are shown in one line of the file's properties; a few hundred characters is more
// than any shows, and keeps the version resource far below its 64 KB limit.
const size_t kMaxIdentityText = 260;
}  // namespace

std::string SetIdentitySetting(const std::string& key, const std::string& value, InstallerIdentity* identity) {
  if (key == "icon") {
    identity->iconPath = value;
    return std::string();
  }
  if (key == "executionLevel") {
    if (value != "requireAdministrator" && value != "highestAvailable" && value != "asInvoker") {
      return "not an execution level (requireAdministrator, highestAvailable or asInvoker)";
    }
    identity->executionLevel = value;
    return std::string();
  }
  std::u16string units;
  if (!Utf8ToUtf16(value, &units)) return "not valid UTF-8";
  if (value.empty()) return "empty (leave the setting out instead)";
  for (char16_t unit : units) {
    if (unit < 0x20 || unit == 0x7F) return "contains a control character";
  }
  if (units.size() > kMaxIdentityText) return "longer than 260 characters";
  if (key == "version") {
    // One to four numbers from 0 to 65535, as the version resource's fixed part holds them.
    int count = 0;
    size_t at = 0;
    const char* const notVersion = "not a version (one to four numbers from 0 to 65535 with dots between, such as 2.1.0)";
    while (true) {
      size_t end = at;
      while (end < value.size() && value[end] >= '0' && value[end] <= '9') ++end;
      if (end == at || end - at > 5 || count == 4) return notVersion;
      const unsigned long number = strtoul(value.substr(at, end - at).c_str(), nullptr, 10);
      if (number > 65535) return notVersion;
      identity->versionNumbers[count++] = (uint16_t)number;
      if (end == value.size()) break;
      if (value[end] != '.') return notVersion;
      at = end + 1;
    }
    for (int i = count; i < 4; ++i) identity->versionNumbers[i] = 0;
    identity->version = value;
  } else if (key == "publisher") {
    identity->publisher = value;
  } else if (key == "productName") {
    identity->productName = value;
  } else if (key == "fileDescription") {
    identity->fileDescription = value;
  } else if (key == "copyright") {
    identity->copyright = value;
  }
  return std::string();
}

void CompleteIdentity(const std::string& appTitle, InstallerIdentity* identity) {
  if (identity->productName.empty()) identity->productName = appTitle;
  if (identity->fileDescription.empty()) identity->fileDescription = identity->productName + " Setup";
}
