// Heap, waiting, the time and starting a program on Win32. Only Win32 calls belong here.
#include <windows.h>
#include <shellapi.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include "platform/system.h"
#include "platform/access_list.h"
#include "platform/process_user_win32.h"
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

namespace {

// kernel32's and advapi32's functions beyond those imported are looked up at run time, as every
// DLL beyond KERNEL32 and msvcrt: Windows (and Wine) may lack them.
template <typename Function>
Function Lookup(const char* dll, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(SystemFunction(dll, name)));
}

// The private namespace "instpack" whose boundary holds `trusted` (a SID): only a process whose
// token holds that SID may create it, so no other user can take the names in it. Created, or
// opened when another installation created it first; its handle stays open for the rest of the
// process. Null where Windows lacks the functions (Wine 8.0 has none that work).
HANDLE OpenLockNamespace(const unsigned char* trusted, SECURITY_ATTRIBUTES* security) {
  typedef HANDLE(WINAPI * CreateBoundaryFunction)(LPCWSTR, ULONG);
  typedef BOOL(WINAPI * AddSidFunction)(HANDLE*, PSID);
  typedef void(WINAPI * DeleteBoundaryFunction)(HANDLE);
  typedef HANDLE(WINAPI * CreateNamespaceFunction)(LPSECURITY_ATTRIBUTES, LPVOID, LPCWSTR);
  typedef HANDLE(WINAPI * OpenNamespaceFunction)(LPVOID, LPCWSTR);
  const auto createBoundary = Lookup<CreateBoundaryFunction>("kernel32.dll", "CreateBoundaryDescriptorW");
  const auto addSid = Lookup<AddSidFunction>("kernel32.dll", "AddSIDToBoundaryDescriptor");
  const auto deleteBoundary = Lookup<DeleteBoundaryFunction>("kernel32.dll", "DeleteBoundaryDescriptor");
  const auto createNamespace = Lookup<CreateNamespaceFunction>("kernel32.dll", "CreatePrivateNamespaceW");
  const auto openNamespace = Lookup<OpenNamespaceFunction>("kernel32.dll", "OpenPrivateNamespaceW");
  if (createBoundary == nullptr || addSid == nullptr || deleteBoundary == nullptr || createNamespace == nullptr ||
      openNamespace == nullptr) {
    return nullptr;
  }
  HANDLE boundary = createBoundary(L"instpack", 0);
  if (boundary == nullptr) return nullptr;
  HANDLE opened = nullptr;
  if (addSid(&boundary, const_cast<unsigned char*>(trusted))) {
    opened = createNamespace(security, boundary, L"instpack");
    if (opened == nullptr && GetLastError() == ERROR_ALREADY_EXISTS) opened = openNamespace(boundary, L"instpack");
  }
  deleteBoundary(boundary);
  return opened;
}

// True when the existing lock `mutex` is owned by `trusted` or the system, as every installation
// that takes the lock makes it; any other owner made it to stand in the way.
bool LockOwnedBy(HANDLE mutex, const unsigned char* trusted) {
  typedef BOOL(WINAPI * ObjectSecurityFunction)(HANDLE, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR, DWORD, DWORD*);
  const auto objectSecurity = Lookup<ObjectSecurityFunction>("advapi32.dll", "GetKernelObjectSecurity");
  alignas(8) unsigned char descriptor[512];
  DWORD needed = 0;
  return objectSecurity != nullptr &&
         objectSecurity(mutex, OWNER_SECURITY_INFORMATION, descriptor, sizeof descriptor, &needed) &&
         DescriptorOwnedBy(descriptor, sizeof descriptor, trusted);
}

}  // namespace

ProductLock TakeProductLock(const char* productId, bool forAllUsers) {
  // Whose lock it is: the administrators' for an installation for all users, the user's for one
  // for that user. The lock is created owned by them, and usable by them and the system alone.
  alignas(8) unsigned char user[SECURITY_MAX_SID_SIZE];
  const unsigned char* trusted = kAdministratorsSid;
  if (!forAllUsers) {
    if (!ReadProcessUser(user)) return ProductLockTaken;
    trusted = user;
  }
  alignas(8) unsigned char descriptor[kLockDescriptorSize];
  if (LockDescriptor(trusted, descriptor, sizeof descriptor) == 0) return ProductLockTaken;
  SECURITY_ATTRIBUTES security = {sizeof security, descriptor, FALSE};
  // In the private namespace no other user can create the name first. Without one, the global
  // namespace: one object for every session of the machine, so that another user's installation
  // (or one run by a management tool under the system account) counts too; there anyone may
  // create the name, so an object of it counts only when its owner is the lock's.
  HANDLE privateNamespace = OpenLockNamespace(trusted, &security);
  wchar_t name[160];
  wcscpy(name, privateNamespace != nullptr ? L"instpack\\" : L"Global\\instpack.");
  size_t length = wcslen(name);
  for (const char* p = productId; *p != '\0' && length + 1 < sizeof name / sizeof name[0]; ++p) {
    name[length++] = static_cast<wchar_t>(*p);  // ASCII alone, by the product id's rule
  }
  name[length] = L'\0';
  // Created not owned: the object's existence is the lock, and it goes with the last handle,
  // when the process ends however it ends, so that no lock is ever left abandoned.
  HANDLE mutex = CreateMutexW(&security, FALSE, name);
  const DWORD error = GetLastError();
  if (mutex == nullptr) {
    // An object of the name that this process may not open: in the private namespace another
    // installation's (none but the lock's owners can make one there); in the global one, whoever
    // made it, it is not the lock's, whose owners may open it. Nothing is guarded then.
    return privateNamespace != nullptr && error == ERROR_ACCESS_DENIED ? ProductLockBusy : ProductLockTaken;
  }
  if (error == ERROR_ALREADY_EXISTS) {
    const bool ours = privateNamespace != nullptr || LockOwnedBy(mutex, trusted);
    CloseHandle(mutex);
    return ours ? ProductLockBusy : ProductLockTaken;
  }
  return ProductLockTaken;  // the handle stays open until the process ends
}

bool ProcessIsElevated() {
  TOKEN_ELEVATION elevation = {};
  return ReadProcessToken(TokenElevation, &elevation, sizeof elevation) && elevation.TokenIsElevated != 0;
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
