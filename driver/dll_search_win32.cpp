// Where the Windows installer programs let the system look for DLLs. Only Win32 calls belong here.
//
// Windows looks for a DLL that is not one of its "known DLLs" in the program's own folder first.
// An installer is usually started from a downloads folder, where anyone's files land, so a DLL of
// a common name planted there (version.dll, uxtheme.dll, ...) would run inside the installer.
//  - Loads at run time (a system DLL loading another while a window is created, say) are kept to
//    the system folder from the entry point on.
//  - The loader resolves the program's imports before that. KERNEL32 and msvcrt are known DLLs,
//    which never come from the program's folder. USER32 is one too, but what it imports is not
//    always (under Wine it imports version.dll), so it is loaded at run time instead, from the
//    system folder by its full path (driver/user32_delayed.def lists what the program calls).
//  - The finished installer's load configuration (DependentLoadFlags, written by instpack) keeps
//    the imports of imported DLLs in the system folder too, on Windows 10 1607 and later.
//  - Under Wine a system DLL's own delay-loaded imports are searched for in the program's folder
//    first whatever SetDefaultDllDirectories said; those the programs come to load are loaded
//    first from the system folder with USER32, so that the loader finds them already loaded.
// docs/security.md says what each Windows version and Wine do.
#include <windows.h>

#include <delayimp.h>

#include "driver/dll_search.h"
#include "platform/system_library_win32.h"

namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32: the system folder and nothing else.
const DWORD kSystemFolderOnly = 0x00000800;

// The DLLs that Wine's system DLLs delay-load by their bare names once windows are drawn: its
// theme DLL (uxtheme) loads msimg32 while a window of the common controls 6.0 is painted. The
// planted-DLL scenario (tests/wine/scenarios/60_planted_dlls.scn) plants every DLL a whole
// installation and removal loads and shows which ones need this.
const char* const kDelayLoadedBySystemDlls[] = {"msimg32.dll"};

}  // namespace

// The linker's name for the program's own image, and the helper's name the delay-load library
// calls: both fixed by the toolchain.
extern "C" IMAGE_DOS_HEADER __ImageBase;  // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)

// The delay-load helper that the delay-load library's stubs call on the first call of each
// function: loads the DLL once, from the system folder, and binds the function's slot. Defined
// here in place of the C runtime's, which loads the DLL by its bare name. Without USER32 the
// installer can show nothing, so failing to load it or one of its functions ends the process.
extern "C" FARPROC WINAPI __delayLoadHelper2(  // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
    PCImgDelayDescr descriptor, FARPROC* slot) {
  const char* base = reinterpret_cast<const char*>(&__ImageBase);
  HMODULE* module = reinterpret_cast<HMODULE*>(const_cast<char*>(base) + descriptor->rvaHmod);
  if (*module == nullptr) {
    *module = LoadSystemLibrary(base + descriptor->rvaDLLName);
    if (*module == nullptr) ExitProcess(1);
    // Only USER32 is delay-loaded, and nothing draws a window before it is loaded. A DLL that
    // cannot be loaded here will not be found by its bare name later either.
    for (const char* name : kDelayLoadedBySystemDlls) LoadSystemLibrary(name);
  }
  const FARPROC* slots = reinterpret_cast<const FARPROC*>(base + descriptor->rvaIAT);
  const IMAGE_THUNK_DATA& entry = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + descriptor->rvaINT)[slot - slots];
  const char* function =
      IMAGE_SNAP_BY_ORDINAL(entry.u1.Ordinal)
          ? reinterpret_cast<const char*>(IMAGE_ORDINAL(entry.u1.Ordinal))
          : reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + entry.u1.AddressOfData)->Name;
  FARPROC address = GetProcAddress(*module, function);
  if (address == nullptr) ExitProcess(1);
  *slot = address;
  return address;
}

void RestrictDllSearchToSystemFolder() {
  // Looked up rather than imported, so that a system without them still starts the installer.
  // kernel32 is always loaded (the program imports it), so this loads nothing.
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr) return;
  typedef BOOL(WINAPI * SetDefaultDllDirectoriesFunction)(DWORD);
  typedef BOOL(WINAPI * SetDllDirectoryFunction)(LPCWSTR);
  // Through void*: GCC warns about a direct cast between unrelated function types.
  const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (setDefault != nullptr && setDefault(kSystemFolderOnly)) return;
  // Without it, an empty text at least takes the current directory out of the search order
  // (Windows XP SP1 and later); the program's own folder stays in it.
  const auto setDirectory = reinterpret_cast<SetDllDirectoryFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryW")));
  if (setDirectory != nullptr) setDirectory(L"");
}
