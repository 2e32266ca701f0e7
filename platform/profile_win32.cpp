// The profile file through the Windows profile functions, wide, with the UTF-8 texts converted.
// Only Win32 calls belong here.
#include <windows.h>
#include <stdlib.h>
#include <string.h>

#include "platform/profile.h"
#include "platform/system_library_win32.h"
#include "platform/wide_text_win32.h"

namespace {

// Section and key names are short; a file is a bare name of at most 255 bytes in the Windows
// folder, or one in the user's local application data folder.
enum { kNameSize = MAX_PATH + 256, kPathSize = MAX_PATH + 256 };

bool IsAscii(const char* text) {
  for (; *text != '\0'; ++text) {
    if (static_cast<unsigned char>(*text) >= 0x80) return false;
  }
  return true;
}

// The profile file's full path: a full path is that, a bare name lives in the Windows folder,
// where the profile functions look for it.
bool ProfilePath(const wchar_t* fileName, wchar_t (&path)[kPathSize]) {
  if (wcschr(fileName, L'\\') != nullptr) {
    const size_t length = wcslen(fileName);
    if (length >= kPathSize) return false;
    memcpy(path, fileName, (length + 1) * sizeof(wchar_t));
    return true;
  }
  const UINT length = GetWindowsDirectoryW(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  UINT at = length;
  if (path[at - 1] != L'\\') path[at++] = L'\\';
  for (const wchar_t* p = fileName; *p != L'\0'; ++p) {
    if (at + 1 >= kPathSize) return false;
    path[at++] = *p;
  }
  path[at] = L'\0';
  return true;
}

// Makes the profile file a UTF-16 one, so that the profile functions write a value outside the
// code page as it is instead of as question marks: a file that does not exist yet is created
// holding the byte-order mark alone; one of 8-bit text is rewritten as UTF-16 with the mark, each
// of its lines read in the system's code page as the profile functions read it. A file that
// already has the mark is left alone.
void MakeUnicodeProfile(const wchar_t* fileName) {
  wchar_t path[kPathSize];
  if (!ProfilePath(fileName, path)) return;
  HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const DWORD size = GetFileSize(file, nullptr);
  char* bytes = size != INVALID_FILE_SIZE ? static_cast<char*>(malloc(size + 1)) : nullptr;
  DWORD read = 0;
  if (bytes != nullptr && (size == 0 || ReadFile(file, bytes, size, &read, nullptr)) && read == size &&
      !(size >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE)) {
    const int units = size == 0 ? 0 : MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(size), nullptr, 0);
    wchar_t* text = static_cast<wchar_t*>(malloc((static_cast<size_t>(units) + 1) * sizeof(wchar_t)));
    if (text != nullptr) {
      text[0] = 0xFEFF;
      if (units > 0) MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(size), text + 1, units);
      DWORD written = 0;
      SetFilePointer(file, 0, nullptr, FILE_BEGIN);
      WriteFile(file, text, static_cast<DWORD>(units + 1) * static_cast<DWORD>(sizeof(wchar_t)), &written, nullptr);
      SetEndOfFile(file);
      free(text);
    }
  }
  free(bytes);
  CloseHandle(file);
}

// The file, section and key of an entry as the wide profile functions take them.
struct Names {
  wchar_t file[kNameSize];
  wchar_t section[kNameSize];
  wchar_t key[kNameSize];
};

bool WidenNames(const char* fileName, const char* section, const char* key, Names* names) {
  return Utf8ToWide(fileName, names->file, kNameSize) && Utf8ToWide(section, names->section, kNameSize) &&
         Utf8ToWide(key, names->key, kNameSize);
}

}  // namespace

bool ReadProfileText(const char* fileName, const char* section, const char* key, const char* fallback,
                     char* buffer, size_t size) {
  buffer[0] = '\0';
  Names names;
  if (!WidenNames(fileName, section, key, &names)) return false;
  // One wide character more than the text may have: GetPrivateProfileString cuts a longer value
  // to the buffer and then returns its size less one, which tells a value that does not fit.
  const size_t count = size + 1;
  wchar_t* wideFallback = static_cast<wchar_t*>(malloc(count * sizeof(wchar_t)));
  wchar_t* value = static_cast<wchar_t*>(malloc(count * sizeof(wchar_t)));
  bool whole = false;
  if (wideFallback != nullptr && value != nullptr && Utf8ToWide(fallback, wideFallback, count)) {
    const DWORD length = GetPrivateProfileStringW(names.section, names.key, wideFallback, value, static_cast<DWORD>(count),
                                                  names.file);
    whole = length < size && WideToUtf8(value, buffer, size);
  }
  free(wideFallback);
  free(value);
  return whole;
}

bool WriteProfileText(const char* fileName, const char* section, const char* key, const char* value) {
  Names names;
  if (!WidenNames(fileName, section, key, &names)) return false;
  if (value == nullptr) return WritePrivateProfileStringW(names.section, names.key, nullptr, names.file) != 0;
  const size_t count = strlen(value) + 1;
  wchar_t* wideValue = static_cast<wchar_t*>(malloc(count * sizeof(wchar_t)));
  bool written = false;
  if (wideValue != nullptr && Utf8ToWide(value, wideValue, count)) {
    // An ASCII value is written as the ANSI functions wrote it; only a value they would turn into
    // question marks needs the file in UTF-16.
    if (!IsAscii(value)) MakeUnicodeProfile(names.file);
    written = WritePrivateProfileStringW(names.section, names.key, wideValue, names.file) != 0;
  }
  free(wideValue);
  return written;
}

bool UserProfileFile(const char* fileName, char* out, size_t size) {
  out[0] = '\0';
  typedef HRESULT(WINAPI * FolderPathFunction)(HWND, int, HANDLE, DWORD, LPWSTR);
  const auto folderPath = reinterpret_cast<FolderPathFunction>(
      reinterpret_cast<void*>(SystemFunction("shell32.dll", "SHGetFolderPathW")));
  const int kLocalAppData = 0x001C | 0x8000;  // CSIDL_LOCAL_APPDATA, made when a new account lacks it
  wchar_t folder[MAX_PATH];
  char utf8[3 * MAX_PATH];
  if (folderPath == nullptr || folderPath(nullptr, kLocalAppData, nullptr, 0, folder) != S_OK ||
      !WideToUtf8(folder, utf8, sizeof utf8)) {
    return false;
  }
  const size_t folderLength = strlen(utf8);
  const size_t nameLength = strlen(fileName);
  if (folderLength + 1 + nameLength + 1 > size) return false;
  memcpy(out, utf8, folderLength);
  out[folderLength] = '\\';
  memcpy(out + folderLength + 1, fileName, nameLength + 1);
  return true;
}
