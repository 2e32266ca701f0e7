// Windows start-up: the program's entry point hands its module and its command line to the
// installer or uninstaller program. Only Win32 calls belong here.
#include <windows.h>
#include <stdlib.h>

#include "driver/command_line.h"
#include "driver/dll_search.h"
#include "product/exit_status.h"
#include "driver/program.h"

// The entry point itself, in place of the C runtime's start-up code (the program links with
// -nostartfiles): the program reads its command line as the raw text Windows keeps (without that
// code there is no argc or argv), no environment block of the runtime's and has no static
// constructors, and msvcrt.dll, whose functions it calls, sets itself up when it is loaded. That
// start-up code, its thread-local storage support and its tables were a quarter of the program.
// The entry is called with the stack aligned only to 4 bytes on 32-bit Windows, hence the
// realignment. Nothing may load a DLL before the search is restricted.
// The command line arrives as UTF-16 and the options are read as UTF-8 like every other text; a
// surrogate without its pair (which no launcher writes) becomes U+FFFD rather than failing, so
// that /S is still found.
extern "C" __attribute__((force_align_arg_pointer)) void WinMainCRTStartup() {
  RestrictDllSearchToSystemFolder();
  const wchar_t* wide = GetCommandLineW();
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  char* commandLine = size > 0 ? static_cast<char*>(malloc(static_cast<size_t>(size))) : nullptr;
  if (commandLine == nullptr || WideCharToMultiByte(CP_UTF8, 0, wide, -1, commandLine, size, nullptr, nullptr) != size) {
    ExitProcess(ExitNoMemory);
  }
  ExitProcess(static_cast<UINT>(RunProgram(GetModuleHandleW(nullptr), ArgumentsOf(commandLine))));
}
