// The Program Manager DDE client on Win32, through the DDE Management Library in USER32.
// Only Win32 calls belong here.
#include <windows.h>
#include <ddeml.h>

#include <string.h>

#include "shell/dde_client.h"

uint32_t DdeInstance = 0;

namespace {

// A client that never serves executes of its own; DDEML names the flag CBF_FAIL_EXECUTES.
const DWORD kClientOnly = 0x8000;
// Program Manager answers commands for at most this long before the command is given up.
const DWORD kCommandTimeout = 2000;
// DdeQueryStringA reads at most this many bytes of a name, terminator included.
enum { kServiceNameSize = 256 };
// Program Manager's service name, which is also the topic of its commands.
const char kProgman[] = "PROGMAN";

// DDEML's callback carries no context of its own, so the caller's rule waits here while the
// client is open.
ConnectionRule acceptsConnection = nullptr;

HDDEDATA CALLBACK DdeCallback(UINT type, UINT, HCONV, HSZ, HSZ serviceName, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  if (type != XTYP_CONNECT || acceptsConnection == nullptr) return nullptr;
  char name[kServiceNameSize];
  name[0] = '\0';
  DdeQueryStringA(DdeInstance, serviceName, name, sizeof name, CP_WINANSI);
  return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(acceptsConnection(name) ? TRUE : FALSE));
}

}  // namespace

void StartDdeClient(ConnectionRule accepts) {
  acceptsConnection = accepts;
  // DDEML writes the identifier through a DWORD pointer; DdeInstance keeps the same 32 bits.
  // It must be zero here: DdeInitializeA takes a nonzero one for an instance whose settings are
  // to change, and fails on one that has been closed.
  DWORD instance = DdeInstance;
  DdeInitializeA(&instance, DdeCallback, kClientOnly, 0);
  DdeInstance = instance;
}

void StopDdeClient() {
  DdeUninitialize(DdeInstance);
  DdeInstance = 0;
  acceptsConnection = nullptr;
}

void* SendProgmanCommand(const char* command) {
  HSZ service = DdeCreateStringHandleA(DdeInstance, kProgman, CP_WINANSI);
  HSZ topic = DdeCreateStringHandleA(DdeInstance, kProgman, CP_WINANSI);
  HCONV conversation = DdeConnect(DdeInstance, service, topic, nullptr);
  HDDEDATA result = nullptr;
  if (conversation != nullptr) {
    // DDEML takes the data as bytes it does not change; the terminator travels with the command.
    const size_t length = strlen(command) + 1;
    result = DdeClientTransaction(reinterpret_cast<LPBYTE>(const_cast<char*>(command)), static_cast<DWORD>(length),
                                  conversation, nullptr, CF_TEXT, XTYP_EXECUTE, kCommandTimeout, nullptr);
  }
  DdeFreeStringHandle(DdeInstance, service);
  DdeFreeStringHandle(DdeInstance, topic);
  DdeDisconnect(conversation);
  return result;
}
