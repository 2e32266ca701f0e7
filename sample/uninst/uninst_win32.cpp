// Tovalin's uninstaller: after asking, deletes the product's files from its own folder.
// Only Win32 calls belong here; the console stand-in is uninst_posix.cpp.
#include <windows.h>
#include <stdio.h>
#include <string.h>

namespace {

// Deliberately not beginning with "Tovalin": the installer asks every window whose title
// begins with the product title to quit, and this program is not a running copy of Tovalin.
const char kCaption[] = "Uninstall Tovalin";

// Only the files Tovalin's installer wrote, by bare name. The first is the main program: it is
// deleted first, so that if Tovalin is still running nothing at all has been removed yet.
const char* const kProductFiles[] = {"tov32.exe", "help.htm", "tovalin.jpg"};
const int kProductFileCount = sizeof kProductFiles / sizeof kProductFiles[0];

const size_t kPathSize = 1024;

/// Fills folder (kPathSize bytes) with the directory holding this program, without a trailing
/// backslash ("C:" for a drive root). Returns false, leaving folder unusable, when the module
/// path is truncated or has no directory part.
bool GetOwnFolder(char* folder) {
  DWORD length = GetModuleFileNameA(nullptr, folder, kPathSize);
  if (length == 0 || length >= kPathSize) return false;
  // cppcheck-suppress uninitvar ; GetModuleFileNameA has filled it, terminator included
  char* lastSeparator = strrchr(folder, '\\');
  if (lastSeparator == nullptr) return false;
  *lastSeparator = '\0';
  return true;
}

/// Forms "<folder>\<name>" in path (kPathSize bytes). Returns false when it does not fit.
bool JoinPath(char* path, const char* folder, const char* name) {
  int length = snprintf(path, kPathSize, "%s\\%s", folder, name);
  return length > 0 && static_cast<size_t>(length) < kPathSize;
}

/// True when path names an existing plain file (not a folder).
bool IsPlainFile(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

/// Deletes path. A file that is already gone counts as removed. Returns false when it stays.
bool RemoveFile(const char* path) {
  if (DeleteFileA(path)) return true;
  DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

/// Shows a message box without owner; style adds the icon.
void Tell(const char* text, UINT style) { MessageBoxA(nullptr, text, kCaption, MB_OK | style); }

}  // namespace

/// Entry point: asks, removes the product files and says what is left to do by hand.
/// Returns 0 when the user declines or the files were removed, 1 when something stayed.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (MessageBoxA(nullptr, "Remove Tovalin from this computer?", kCaption, MB_YESNO | MB_ICONQUESTION) !=
      IDYES)
    return 0;

  char folder[kPathSize];
  char path[kPathSize];
  char message[kPathSize * 2];
  if (!GetOwnFolder(folder)) {
    Tell("The uninstaller cannot tell which folder it was started from. Nothing was removed.",
         MB_ICONWARNING);
    return 1;
  }
  // Without Tovalin's main program beside it, this folder is not (or no longer) a Tovalin
  // folder: deleting files with common names such as help.htm there could destroy someone
  // else's work.
  if (!JoinPath(path, folder, kProductFiles[0]) || !IsPlainFile(path)) {
    snprintf(message, sizeof message, "Tovalin is not installed in %s. Nothing was removed.", folder);
    Tell(message, MB_ICONWARNING);
    return 1;
  }
  if (!RemoveFile(path)) {
    snprintf(message, sizeof message,
             "%s cannot be removed. Close Tovalin and run the uninstaller again. Nothing was removed.",
             path);
    Tell(message, MB_ICONWARNING);
    return 1;
  }

  char failed[kPathSize] = "";
  for (int i = 1; i < kProductFileCount; ++i) {
    if (JoinPath(path, folder, kProductFiles[i]) && RemoveFile(path)) continue;
    strncat(failed, "\n    ", sizeof failed - strlen(failed) - 1);
    strncat(failed, kProductFiles[i], sizeof failed - strlen(failed) - 1);
  }
  if (failed[0] != '\0') {
    snprintf(message, sizeof message,
             "Tovalin was partly removed from %s. These files could not be deleted:%s\n\n"
             "Delete them by hand.",
             folder, failed);
    Tell(message, MB_ICONWARNING);
    return 1;
  }
  // The uninstaller cannot delete its own running executable, and the folder, the program
  // group and the profile file are shared with things this program cannot see.
  snprintf(message, sizeof message,
           "Tovalin was removed from %s.\n\n"
           "The rest must be removed by hand: uninst.exe and the folder itself, the Tovalin "
           "program group, and tovalin2.ini in your Windows folder.",
           folder);
  Tell(message, MB_ICONINFORMATION);
  return 0;
}
