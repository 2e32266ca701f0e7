// The Start menu's shortcut files on Win32: the shell's folders from SHGetFolderPathW, shortcuts
// made through its link object (IShellLinkW, saved with IPersistFile). shell32 and ole32 are
// loaded at run time from the system folder. Only Win32 calls belong here.
#include <windows.h>
#include <shlobj.h>
#include <string.h>

#include "platform/system_library_win32.h"
#include "platform/wide_text_win32.h"
#include "shell/start_menu.h"

namespace {

// The shell's folder numbers (CSIDL_*): each folder of the user's Start menu, then all users'.
const int kFolders[2][2] = {{0x0002 /* PROGRAMS */, 0x0017 /* COMMON_PROGRAMS */},
                            {0x0007 /* STARTUP */, 0x0018 /* COMMON_STARTUP */}};
const int kCreateFolder = 0x8000;  // CSIDL_FLAG_CREATE: a new account's Start menu may lack it yet

// The link object and the two interfaces of it the installer uses, by their numbers, so that no
// library of GUIDs is linked.
const CLSID kShellLink = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kShellLinkW = {0x000214F9, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kPersistFile = {0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// A shortcut's path: a folder of at most MAX_PATH, a group and a name of at most 255 bytes each
// (as UTF-16 at most as many wide characters) and ".lnk".
enum { kPathSize = MAX_PATH + 2 * 256 + 8 };
// The user's Start menu, then all users'.
const bool kBothStartMenus[] = {false, true};

// The folder `folder` of all users' Start menu or the user's into `path`. False when the shell
// has none (or shell32 is missing).
bool FolderPath(StartMenuFolder folder, bool forAllUsers, bool create, wchar_t* path) {
  typedef HRESULT(WINAPI * FolderPathFunction)(HWND, int, HANDLE, DWORD, LPWSTR);
  const auto folderPath = reinterpret_cast<FolderPathFunction>(
      reinterpret_cast<void*>(SystemFunction("shell32.dll", "SHGetFolderPathW")));
  const int number = kFolders[folder][forAllUsers ? 1 : 0] | (create ? kCreateFolder : 0);
  return folderPath != nullptr && folderPath(nullptr, number, nullptr, 0, path) == S_OK;
}

// Appends "\" and the UTF-8 `name` to the wide `path`. False when it is not text or does not fit.
bool Append(wchar_t* path, const char* name) {
  const size_t length = wcslen(path);
  if (length + 2 >= kPathSize) return false;
  path[length] = L'\\';
  return Utf8ToWide(name, path + length + 1, kPathSize - length - 1);
}

// The shortcut's full path in the Start menu given, and the group's folder in `groupFolder` (the
// Start menu's folder itself when there is no group).
bool ItemPath(StartMenuFolder folder, bool forAllUsers, bool create, const char* group, const char* name,
              wchar_t* item, wchar_t* groupFolder) {
  if (!FolderPath(folder, forAllUsers, create, groupFolder)) return false;
  if (group != nullptr && !Append(groupFolder, group)) return false;
  memcpy(item, groupFolder, (wcslen(groupFolder) + 1) * sizeof(wchar_t));  // both kPathSize long
  if (!Append(item, name)) return false;
  const size_t length = wcslen(item);
  if (length + 5 >= kPathSize) return false;
  memcpy(item + length, L".lnk", 5 * sizeof(wchar_t));
  return true;
}

// Saves a shortcut to `target` working in `workingDirectory` at `item`, through the shell's link
// object, in an apartment of this thread's own for the call.
bool SaveShortcut(const wchar_t* item, const wchar_t* target, const wchar_t* workingDirectory) {
  typedef HRESULT(WINAPI * InitializeFunction)(void*, DWORD);
  typedef HRESULT(WINAPI * CreateFunction)(REFCLSID, IUnknown*, DWORD, REFIID, void**);
  typedef void(WINAPI * UninitializeFunction)();
  const auto initialize = reinterpret_cast<InitializeFunction>(
      reinterpret_cast<void*>(SystemFunction("ole32.dll", "CoInitializeEx")));
  const auto create = reinterpret_cast<CreateFunction>(
      reinterpret_cast<void*>(SystemFunction("ole32.dll", "CoCreateInstance")));
  const auto uninitialize = reinterpret_cast<UninitializeFunction>(
      reinterpret_cast<void*>(SystemFunction("ole32.dll", "CoUninitialize")));
  if (initialize == nullptr || create == nullptr || uninitialize == nullptr) return false;
  const HRESULT apartment = initialize(nullptr, COINIT_APARTMENTTHREADED);
  bool saved = false;
  IShellLinkW* link = nullptr;
  if (SUCCEEDED(create(kShellLink, nullptr, CLSCTX_INPROC_SERVER, kShellLinkW, reinterpret_cast<void**>(&link)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->SetPath(target)) && SUCCEEDED(link->SetWorkingDirectory(workingDirectory)) &&
        SUCCEEDED(link->QueryInterface(kPersistFile, reinterpret_cast<void**>(&file)))) {
      saved = SUCCEEDED(file->Save(item, TRUE));
      file->Release();
    }
    link->Release();
  }
  if (SUCCEEDED(apartment)) uninitialize();
  return saved;
}

}  // namespace

bool StartMenuItemExists(StartMenuFolder folder, const char* group, const char* name) {
  for (bool forAllUsers : kBothStartMenus) {
    wchar_t item[kPathSize];
    wchar_t groupFolder[kPathSize];
    if (ItemPath(folder, forAllUsers, false, group, name, item, groupFolder) &&
        GetFileAttributesW(item) != INVALID_FILE_ATTRIBUTES) {
      return true;
    }
  }
  return false;
}

bool MakeStartMenuItem(StartMenuFolder folder, bool forAllUsers, const char* group, const char* name,
                       const char* target, const char* workingDirectory) {
  wchar_t item[kPathSize];
  wchar_t groupFolder[kPathSize];
  wchar_t wideTarget[kPathSize];
  wchar_t wideDirectory[kPathSize];
  if (!ItemPath(folder, forAllUsers, true, group, name, item, groupFolder) ||
      !Utf8ToWide(target, wideTarget, kPathSize) || !Utf8ToWide(workingDirectory, wideDirectory, kPathSize)) {
    return false;
  }
  if (group != nullptr) CreateDirectoryW(groupFolder, nullptr);  // there already, or made now
  return SaveShortcut(item, wideTarget, wideDirectory);
}

void MoveStartMenuItemToAllUsers(StartMenuFolder folder, const char* group, const char* name) {
  wchar_t userItem[kPathSize];
  wchar_t userGroup[kPathSize];
  wchar_t commonItem[kPathSize];
  wchar_t commonGroup[kPathSize];
  if (!ItemPath(folder, false, false, group, name, userItem, userGroup) ||
      GetFileAttributesW(userItem) == INVALID_FILE_ATTRIBUTES ||
      !ItemPath(folder, true, true, group, name, commonItem, commonGroup)) {
    return;
  }
  if (group != nullptr) CreateDirectoryW(commonGroup, nullptr);  // there already, or made now
  // A copy, not a move: a file moved within a volume keeps its rights, and the user's Start menu
  // gives none to other users; a copy takes those of all users' folder, which every user may read.
  // One of an earlier installation there is replaced, as the shell replaces an item.
  if (!CopyFileW(userItem, commonItem, FALSE)) return;
  DeleteFileW(userItem);
  if (group != nullptr) RemoveDirectoryW(userGroup);  // only when nothing else is left in it
}

void DeleteStartMenuItem(StartMenuFolder folder, const char* group, const char* name) {
  for (bool forAllUsers : kBothStartMenus) {
    wchar_t item[kPathSize];
    wchar_t groupFolder[kPathSize];
    if (!ItemPath(folder, forAllUsers, false, group, name, item, groupFolder)) continue;
    DeleteFileW(item);
    // Only an empty folder goes: one holding the user's own items stays.
    if (group != nullptr) RemoveDirectoryW(groupFolder);
  }
}
