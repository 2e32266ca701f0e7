// The console edition's Program Manager client: the same commands, one conversation each,
// carried over a local socket to whatever stand-in shell listens there. Only POSIX code here.
#include "shell/dde_client.h"
#include "shell/progman_socket.h"

uint32_t DdeInstance = 0;

namespace {

// Program Manager's bound on one command, kept so the console edition waits no longer.
const int kCommandTimeout = 2000;

char socketPath[ProgmanSocketPathSize];

}  // namespace

// A socket offers the client no connections, so it has no use for the rule.
void StartDdeClient(ConnectionRule) {
  // With no usable socket path every command quietly does nothing, as with no DDE server.
  ProgmanSocketPath(socketPath, sizeof socketPath);
  DdeInstance = 1;
}

void StopDdeClient() { DdeInstance = 0; }

void* SendProgmanCommand(const char* command) {
  if (DdeInstance == 0 || socketPath[0] == '\0') return nullptr;
  // Like an acknowledged DDE execute, whose result handle is TRUE.
  return SendOverProgmanSocket(socketPath, command, kCommandTimeout) ? reinterpret_cast<void*>(1) : nullptr;
}
