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
typedef LONG(WINAPI* OpenKeyFunction)(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY);
typedef LONG(WINAPI* QueryValueFunction)(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
typedef LONG(WINAPI* SetValueFunction)(HKEY, LPCWSTR, DWORD, DWORD, const BYTE*, DWORD);
typedef LONG(WINAPI* DeleteKeyFunction)(HKEY, LPCWSTR);
typedef LONG(WINAPI* DeleteKeyInViewFunction)(HKEY, LPCWSTR, REGSAM, DWORD);
typedef LONG(WINAPI* CloseKeyFunction)(HKEY);

// The registry functions the entry needs. RegDeleteTreeW (Vista) removes what a product's own
// program added below the entry; RegDeleteKeyExW (Vista, and 64-bit XP) deletes a key in a given
// view, which Windows without RegDeleteKeyExW does not have.
struct Registry {
  CreateKeyFunction createKey;
  OpenKeyFunction openKey;
  QueryValueFunction queryValue;
  SetValueFunction setValue;
  DeleteKeyFunction deleteTree;
  DeleteKeyInViewFunction deleteKeyInView;
  DeleteKeyFunction deleteKey;
  CloseKeyFunction closeKey;
};

template <typename Function>
Function Find(const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(SystemFunction("advapi32.dll", name)));
}

bool LoadRegistry(Registry* registry) {
  registry->createKey = Find<CreateKeyFunction>("RegCreateKeyExW");
  registry->openKey = Find<OpenKeyFunction>("RegOpenKeyExW");
  registry->queryValue = Find<QueryValueFunction>("RegQueryValueExW");
  registry->setValue = Find<SetValueFunction>("RegSetValueExW");
  registry->deleteTree = Find<DeleteKeyFunction>("RegDeleteTreeW");
  registry->deleteKeyInView = Find<DeleteKeyInViewFunction>("RegDeleteKeyExW");
  registry->deleteKey = Find<DeleteKeyFunction>("RegDeleteKeyW");
  registry->closeKey = Find<CloseKeyFunction>("RegCloseKey");
  return registry->createKey != nullptr && registry->openKey != nullptr && registry->queryValue != nullptr &&
         registry->setValue != nullptr && registry->deleteKey != nullptr && registry->closeKey != nullptr;
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

// Installed apps lists the entries of both views. The 64-bit one is the entry's place, for the
// 32-bit installer too, so that the two installers of a product find each other's entry; on
// 32-bit Windows both flags are ignored and name the one registry there is.
const REGSAM kEntryView = KEY_WOW64_64KEY;
const REGSAM kOlderView = KEY_WOW64_32KEY;

// Reads the text value `name` of `key` into `text` (`size` characters); false when it is not a
// text or does not fit.
bool ReadText(const Registry& registry, HKEY key, const wchar_t* name, wchar_t* text, DWORD size) {
  DWORD type = 0;
  DWORD bytes = (size - 1) * sizeof(wchar_t);
  if (registry.queryValue(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &bytes) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return false;
  }
  text[bytes / sizeof(wchar_t)] = L'\0';
  return true;
}

bool ReadNumber(const Registry& registry, HKEY key, const wchar_t* name, DWORD* value) {
  DWORD type = 0;
  DWORD bytes = sizeof *value;
  return registry.queryValue(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes) == ERROR_SUCCESS &&
         type == REG_DWORD;
}

enum Owner { OwnerNone, OwnerThisProduct, OwnerOther };

// Who wrote the key `path` in `view`: nobody (no such key), this product (see installed_apps.h),
// or another program, which is also the answer for a key that cannot be read.
Owner EntryOwner(const Registry& registry, HKEY root, const wchar_t* path, REGSAM view, const wchar_t* keyName) {
  HKEY key = nullptr;
  const LONG opened = registry.openKey(root, path, 0, KEY_QUERY_VALUE | view, &key);
  if (opened == ERROR_FILE_NOT_FOUND) return OwnerNone;
  if (opened != ERROR_SUCCESS) return OwnerOther;
  Owner owner = OwnerOther;
  wchar_t id[kKeySize];
  // An uninstaller's path holds the data directory (at most 1,023 characters) and its name.
  enum { kCommandSize = 1100 };
  wchar_t* command = static_cast<wchar_t*>(malloc(2 * kCommandSize * sizeof(wchar_t)));
  wchar_t* quiet = command != nullptr ? command + kCommandSize : nullptr;
  DWORD noModify = 0, noRepair = 0;
  if (ReadText(registry, key, L"" INSTALLED_APPS_OWNER_VALUE, id, kKeySize)) {
    owner = wcscmp(id, keyName) == 0 ? OwnerThisProduct : OwnerOther;
  } else if (command != nullptr && ReadText(registry, key, L"UninstallString", command, kCommandSize) &&
             ReadText(registry, key, L"QuietUninstallString", quiet, kCommandSize) &&
             ReadNumber(registry, key, L"NoModify", &noModify) && ReadNumber(registry, key, L"NoRepair", &noRepair)) {
    // The shape of the entries written before the owner value: "<dir>\uninst.exe" and the same
    // with " /S".
    static const wchar_t kUninstaller[] = L"\\uninst.exe\"";
    const size_t length = wcslen(command), tail = wcslen(kUninstaller);
    const bool shaped = length > tail && command[0] == L'"' && _wcsicmp(command + length - tail, kUninstaller) == 0 &&
                        wcsncmp(quiet, command, length) == 0 && wcscmp(quiet + length, L" /S") == 0;
    owner = shaped && noModify == 1 && noRepair == 1 ? OwnerThisProduct : OwnerOther;
  }
  free(command);
  registry.closeKey(key);
  return owner;
}

// Deletes the key `path` of `view` with everything below it.
void DeleteKey(const Registry& registry, HKEY root, const wchar_t* path, REGSAM view) {
  HKEY key = nullptr;
  if (registry.deleteTree != nullptr &&
      registry.openKey(root, path, 0, DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE | view, &key) ==
          ERROR_SUCCESS) {
    registry.deleteTree(key, nullptr);
    registry.closeKey(key);
  }
  if (registry.deleteKeyInView != nullptr) {
    registry.deleteKeyInView(root, path, view, 0);
  } else {
    registry.deleteKey(root, path);
  }
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

EntryOutcome WriteInstalledAppsEntry(const char* keyName, bool forAllUsers, const InstalledAppsEntry& entry) {
  Registry registry;
  wchar_t path[kKeySize];
  if (!LoadRegistry(&registry) || !KeyPath(keyName, path)) return EntryNotWritten;
  const wchar_t* name = path + wcslen(path) - strlen(keyName);
  HKEY root = Root(forAllUsers);
  // The entry an earlier 32-bit installer of the product wrote in the 32-bit view (on 32-bit
  // Windows, the one entry itself).
  if (EntryOwner(registry, root, path, kOlderView, name) == OwnerThisProduct) DeleteKey(registry, root, path, kOlderView);
  // An earlier installation's entry goes as a whole, so that no value of it outlives the upgrade.
  switch (EntryOwner(registry, root, path, kEntryView, name)) {
    case OwnerOther:
      return EntryOfAnotherProgram;
    case OwnerThisProduct:
      DeleteKey(registry, root, path, kEntryView);
      break;
    case OwnerNone:
      break;
  }
  HKEY key = nullptr;
  if (registry.createKey(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE | kEntryView, nullptr, &key,
                         nullptr) != ERROR_SUCCESS) {
    return EntryNotWritten;
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
  written = SetText(registry, key, L"" INSTALLED_APPS_OWNER_VALUE, keyName) && written;
  registry.closeKey(key);
  return written ? EntryWritten : EntryNotWritten;
}

void DeleteInstalledAppsEntry(const char* keyName, bool forAllUsers) {
  Registry registry;
  wchar_t path[kKeySize];
  if (!LoadRegistry(&registry) || !KeyPath(keyName, path)) return;
  const wchar_t* name = path + wcslen(path) - strlen(keyName);
  HKEY root = Root(forAllUsers);
  const REGSAM views[] = {kEntryView, kOlderView};
  for (REGSAM view : views) {
    if (EntryOwner(registry, root, path, view, name) == OwnerThisProduct) DeleteKey(registry, root, path, view);
  }
}
