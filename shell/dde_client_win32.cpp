// The Program Manager DDE client on Win32, through the DDE Management Library in USER32: a
// Unicode client, whose UTF-8 commands travel as UTF-16. Only Win32 calls belong here.
#include <windows.h>
#include <ddeml.h>
#include <stdlib.h>
#include <string.h>

#include "platform/wide_text_win32.h"
#include "shell/dde_client.h"

uint32_t DdeInstance = 0;

namespace {

// A client that never serves executes of its own; DDEML names the flag CBF_FAIL_EXECUTES.
const DWORD kClientOnly = 0x8000;
// Program Manager answers commands for at most this long before the command is given up.
const DWORD kCommandTimeout = 2000;
// DdeQueryStringW reads at most this many characters of a name, terminator included; as UTF-8 a
// character takes at most three bytes.
enum { kServiceNameSize = 256, kServiceNameBytes = 3 * kServiceNameSize };
// Program Manager's service name, which is also the topic of its commands.
const wchar_t kProgman[] = L"PROGMAN";

// DDEML's callback carries no context of its own, so the caller's rule waits here while the
// client is open.
ConnectionRule acceptsConnection = nullptr;

HDDEDATA CALLBACK DdeCallback(UINT type, UINT, HCONV, HSZ, HSZ serviceName, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  if (type != XTYP_CONNECT || acceptsConnection == nullptr) return nullptr;
  wchar_t name[kServiceNameSize];
  name[0] = L'\0';
  DdeQueryStringW(DdeInstance, serviceName, name, kServiceNameSize, CP_WINUNICODE);
  char utf8[kServiceNameBytes];
  const bool accepted = WideToUtf8(name, utf8, sizeof utf8) && acceptsConnection(utf8);
  return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(accepted ? TRUE : FALSE));
}

// Lets the shell's answers through to the client's windows when the installer runs elevated.
// Since Vista a window does not receive messages from a process of a lower integrity level (User
// Interface Privilege Isolation); the shell runs at the user's medium level, an installer that
// asks for elevation at the high one. The client sends WM_DDE_INITIATE and posts
// WM_DDE_EXECUTE downwards, which is allowed; the shell's WM_DDE_ACK and WM_DDE_TERMINATE come
// back upwards, and without this the conversation is never acknowledged. ChangeWindowMessageFilter
// (Vista) acts for every window of the process, which the client's windows are, created by
// DDEML itself; it is looked up at run time so that older Windows still run the installer, and a
// process that is not elevated loses nothing by the call. docs/security.md gives the sources.
void AllowShellAnswers() {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (user32 == nullptr) return;
  typedef BOOL(WINAPI * ChangeWindowMessageFilterFunction)(UINT, DWORD);
  const auto allow = reinterpret_cast<ChangeWindowMessageFilterFunction>(
      reinterpret_cast<void*>(GetProcAddress(user32, "ChangeWindowMessageFilter")));
  if (allow == nullptr) return;
  const DWORD kAdd = 1;  // MSGFLT_ADD
  allow(WM_DDE_ACK, kAdd);
  allow(WM_DDE_TERMINATE, kAdd);
}

}  // namespace

void StartDdeClient(ConnectionRule accepts) {
  acceptsConnection = accepts;
  // DDEML writes the identifier through a DWORD pointer; DdeInstance keeps the same 32 bits.
  // It must be zero here: DdeInitializeW takes a nonzero one for an instance whose settings are
  // to change, and fails on one that has been closed. USER32 is loaded by this first call.
  DWORD instance = DdeInstance;
  DdeInitializeW(&instance, DdeCallback, kClientOnly, 0);
  DdeInstance = instance;
  AllowShellAnswers();
}

void StopDdeClient() {
  DdeUninitialize(DdeInstance);
  DdeInstance = 0;
  acceptsConnection = nullptr;
}

void* SendProgmanCommand(const char* command) {
  // A command is a fixed text around paths and names the installer bounds; as UTF-16 it needs at
  // most as many wide characters as it has bytes.
  const size_t count = strlen(command) + 1;
  wchar_t* wide = static_cast<wchar_t*>(malloc(count * sizeof(wchar_t)));
  if (wide == nullptr || !Utf8ToWide(command, wide, count)) {
    free(wide);
    return nullptr;
  }
  HSZ service = DdeCreateStringHandleW(DdeInstance, kProgman, CP_WINUNICODE);
  HSZ topic = DdeCreateStringHandleW(DdeInstance, kProgman, CP_WINUNICODE);
  HCONV conversation = DdeConnect(DdeInstance, service, topic, nullptr);
  HDDEDATA result = nullptr;
  if (conversation != nullptr) {
    // A Unicode client's execute string is UTF-16; DDEML hands it to an ANSI server converted.
    // The terminator travels with the command.
    const DWORD bytes = static_cast<DWORD>(wcslen(wide) + 1) * static_cast<DWORD>(sizeof(wchar_t));
    result = DdeClientTransaction(reinterpret_cast<LPBYTE>(wide), bytes, conversation, nullptr, CF_UNICODETEXT,
                                  XTYP_EXECUTE, kCommandTimeout, nullptr);
  }
  DdeFreeStringHandle(DdeInstance, service);
  DdeFreeStringHandle(DdeInstance, topic);
  DdeDisconnect(conversation);
  free(wide);
  return result;
}
