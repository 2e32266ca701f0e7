// Heap, waiting, the time and starting a program on Win32. Only Win32 calls belong here.
#include <windows.h>
#include <shellapi.h>
#include <stdlib.h>

#include "platform/system.h"
#include "platform/system_library_win32.h"
#include "platform/wide_text_win32.h"

void* AllocateMemory(size_t size) { return malloc(size); }

void FreeMemory(void* block) { free(block); }

void SleepMilliseconds(unsigned milliseconds) { Sleep(milliseconds); }

unsigned MillisecondCount() { return GetTickCount(); }

bool StartProgram(const char* path) {
  // Room for the longest program path the installer forms (a 1,023-byte directory, a separator
  // and a 255-byte name), as UTF-16 at most as many wide characters, and the two quotes.
  enum { kCommandLineSize = 1024 + 1 + 256 + 2 };
  wchar_t program[kCommandLineSize];
  wchar_t commandLine[kCommandLineSize];
  if (!Utf8ToWide(path, program, kCommandLineSize - 2)) return false;
  // The whole path names the program, and its command line is that path quoted, so that a path
  // with spaces such as C:\Program Files\... names exactly this program and Windows never tries
  // C:\Program.exe first. It starts in the current directory, the data directory, with a normal
  // window, as WinExec with SW_SHOW started it.
  size_t length = 0;
  commandLine[length++] = L'"';
  for (const wchar_t* p = program; *p != L'\0'; ++p) commandLine[length++] = *p;
  commandLine[length++] = L'"';
  commandLine[length] = L'\0';
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOW;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessW(program, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
    return false;
  }
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return true;
}

ProductLock TakeProductLock(const char* productId) {
  // "Global\\": one object for every session of the machine, so that another user's installation
  // (or one run by a management tool under the system account) counts too.
  wchar_t name[160] = L"Global\\instpack.";
  size_t length = wcslen(name);
  for (const char* p = productId; *p != '\0' && length + 1 < sizeof name / sizeof name[0]; ++p) {
    name[length++] = static_cast<wchar_t>(*p);  // ASCII alone, by the product id's rule
  }
  name[length] = L'\0';
  // Created not owned: the object's existence is the lock, and it goes with the last handle,
  // when the process ends however it ends, so that no lock is ever left abandoned.
  HANDLE mutex = CreateMutexW(nullptr, FALSE, name);
  const DWORD error = GetLastError();
  if (mutex == nullptr) {
    // Another account's object (an installation elevated, or under the system account) exists
    // but may not be opened by this one.
    return error == ERROR_ACCESS_DENIED ? ProductLockBusy : ProductLockTaken;
  }
  if (error == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return ProductLockBusy;
  }
  return ProductLockTaken;  // the handle stays open until the process ends
}

bool ProcessIsElevated() {
  // advapi32 is looked up rather than imported, as every DLL beyond KERNEL32 and msvcrt.
  typedef BOOL(WINAPI * OpenTokenFunction)(HANDLE, DWORD, HANDLE*);
  typedef BOOL(WINAPI * TokenInformationFunction)(HANDLE, TOKEN_INFORMATION_CLASS, void*, DWORD, DWORD*);
  const auto openToken = reinterpret_cast<OpenTokenFunction>(
      reinterpret_cast<void*>(SystemFunction("advapi32.dll", "OpenProcessToken")));
  const auto tokenInformation = reinterpret_cast<TokenInformationFunction>(
      reinterpret_cast<void*>(SystemFunction("advapi32.dll", "GetTokenInformation")));
  HANDLE token = nullptr;
  if (openToken == nullptr || tokenInformation == nullptr || !openToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    return false;
  }
  TOKEN_ELEVATION elevation = {};
  DWORD size = 0;
  const BOOL known = tokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
  CloseHandle(token);
  return known && elevation.TokenIsElevated != 0;
}

bool RunElevatedCopy(const char* arguments, int* status) {
  typedef BOOL(WINAPI * ShellExecuteFunction)(SHELLEXECUTEINFOW*);
  const auto shellExecute = reinterpret_cast<ShellExecuteFunction>(
      reinterpret_cast<void*>(SystemFunction("shell32.dll", "ShellExecuteExW")));
  // The program runs from the data directory or a copy of it: a path of 1,023 bytes at most.
  wchar_t self[1024 + 1 + 256];
  const DWORD length = GetModuleFileNameW(nullptr, self, sizeof self / sizeof self[0]);
  wchar_t parameters[64];
  if (shellExecute == nullptr || length == 0 || length >= sizeof self / sizeof self[0] ||
      !Utf8ToWide(arguments, parameters, sizeof parameters / sizeof parameters[0])) {
    return false;
  }
  SHELLEXECUTEINFOW execute = {};
  execute.cbSize = sizeof execute;
  // NOASYNC: the call may return before the started process has its handle otherwise. NO_UI: a
  // declined prompt is the caller's to report, in its own words.
  execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  execute.lpVerb = L"runas";
  execute.lpFile = self;
  execute.lpParameters = parameters;
  execute.nShow = SW_SHOWNORMAL;
  if (!shellExecute(&execute) || execute.hProcess == nullptr) return false;
  WaitForSingleObject(execute.hProcess, INFINITE);
  DWORD code = 0;
  const BOOL known = GetExitCodeProcess(execute.hProcess, &code);
  CloseHandle(execute.hProcess);
  if (!known) return false;
  *status = static_cast<int>(code);
  return true;
}
