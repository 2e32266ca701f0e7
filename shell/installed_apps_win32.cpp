// The Installed-apps entry in the Windows registry, through advapi32 loaded at run time from the
// system folder. Only Win32 calls belong here.
#include <windows.h>
#include <stdlib.h>
#include <string.h>

#include "platform/system_library_win32.h"
#include "platform/wide_text_win32.h"
#include "shell/installed_apps.h"

namespace {

typedef LONG(WINAPI* CreateKeyFunction)(HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY,
                                        LPDWORD);
typedef LONG(WINAPI* SetValueFunction)(HKEY, LPCWSTR, DWORD, DWORD, const BYTE*, DWORD);
typedef LONG(WINAPI* DeleteKeyFunction)(HKEY, LPCWSTR);
typedef LONG(WINAPI* CloseKeyFunction)(HKEY);

// The registry functions the entry needs. RegDeleteTreeW (Vista) removes a key with whatever a
// product's own program added below it; without it RegDeleteKeyW removes a key of values alone.
struct Registry {
  CreateKeyFunction createKey;
  SetValueFunction setValue;
  DeleteKeyFunction deleteTree;
  DeleteKeyFunction deleteKey;
  CloseKeyFunction closeKey;
};

template <typename Function>
Function Find(const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(SystemFunction("advapi32.dll", name)));
}

bool LoadRegistry(Registry* registry) {
  registry->createKey = Find<CreateKeyFunction>("RegCreateKeyExW");
  registry->setValue = Find<SetValueFunction>("RegSetValueExW");
  registry->deleteTree = Find<DeleteKeyFunction>("RegDeleteTreeW");
  registry->deleteKey = Find<DeleteKeyFunction>("RegDeleteKeyW");
  registry->closeKey = Find<CloseKeyFunction>("RegCloseKey");
  return registry->createKey != nullptr && registry->setValue != nullptr && registry->deleteKey != nullptr &&
         registry->closeKey != nullptr;
}

// The entry's key below its root: the product id is ASCII, at most 128 characters.
enum { kKeySize = 64 + 128 + 1 };
bool KeyPath(const char* keyName, wchar_t (&path)[kKeySize]) {
  static const wchar_t kUninstall[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  const size_t length = wcslen(kUninstall);
  memcpy(path, kUninstall, length * sizeof(wchar_t));
  return Utf8ToWide(keyName, path + length, kKeySize - length);
}

HKEY Root(bool forAllUsers) { return forAllUsers ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

void DeleteKey(const Registry& registry, HKEY root, const wchar_t* path) {
  if (registry.deleteTree == nullptr || registry.deleteTree(root, path) != ERROR_SUCCESS) registry.deleteKey(root, path);
}

// Sets the text value `name` (skipped when `value` is null or empty). False when it could not be.
bool SetText(const Registry& registry, HKEY key, const wchar_t* name, const char* value) {
  if (value == nullptr || value[0] == '\0') return true;
  const size_t count = strlen(value) + 1;
  wchar_t* wide = static_cast<wchar_t*>(malloc(count * sizeof(wchar_t)));
  const bool set = wide != nullptr && Utf8ToWide(value, wide, count) &&
                   registry.setValue(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(wide),
                                     static_cast<DWORD>(wcslen(wide) + 1) * static_cast<DWORD>(sizeof(wchar_t))) == ERROR_SUCCESS;
  free(wide);
  return set;
}

bool SetNumber(const Registry& registry, HKEY key, const wchar_t* name, DWORD value) {
  return registry.setValue(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
         ERROR_SUCCESS;
}

}  // namespace

bool WriteInstalledAppsEntry(const char* keyName, bool forAllUsers, const InstalledAppsEntry& entry) {
  Registry registry;
  wchar_t path[kKeySize];
  if (!LoadRegistry(&registry) || !KeyPath(keyName, path)) return false;
  // An earlier installation's entry goes as a whole, so that no value of it outlives the upgrade.
  DeleteKey(registry, Root(forAllUsers), path);
  HKEY key = nullptr;
  if (registry.createKey(Root(forAllUsers), path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key,
                         nullptr) != ERROR_SUCCESS) {
    return false;
  }
  bool written = SetText(registry, key, L"DisplayName", entry.displayName);
  written = SetText(registry, key, L"DisplayVersion", entry.displayVersion) && written;
  written = SetText(registry, key, L"Publisher", entry.publisher) && written;
  written = SetText(registry, key, L"InstallLocation", entry.installLocation) && written;
  written = SetText(registry, key, L"UninstallString", entry.uninstallString) && written;
  written = SetText(registry, key, L"QuietUninstallString", entry.quietUninstallString) && written;
  written = SetText(registry, key, L"DisplayIcon", entry.displayIcon) && written;
  written = SetText(registry, key, L"URLInfoAbout", entry.urlInfoAbout) && written;
  written = SetText(registry, key, L"HelpLink", entry.helpLink) && written;
  written = SetNumber(registry, key, L"EstimatedSize", entry.estimatedSizeKiB) && written;
  written = SetNumber(registry, key, L"NoModify", 1) && written;
  written = SetNumber(registry, key, L"NoRepair", 1) && written;
  registry.closeKey(key);
  return written;
}

void DeleteInstalledAppsEntry(const char* keyName, bool forAllUsers) {
  Registry registry;
  wchar_t path[kKeySize];
  if (LoadRegistry(&registry) && KeyPath(keyName, path)) DeleteKey(registry, Root(forAllUsers), path);
}
