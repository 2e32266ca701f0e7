// Carrying shell commands to Program Manager's DDE interface, one conversation per command.
#pragma once
#include <stdint.h>

/// The DDE instance identifier, process-wide: zero while the client is closed.
extern uint32_t DdeInstance;

/// Decides whether the client accepts a connection offered to it under `serviceName` (DDE's
/// XTYP_CONNECT; at most 255 characters of the name are read). Supplied by the caller, which
/// knows the product.
typedef bool (*ConnectionRule)(const char* serviceName);

/// Opens the client (on Windows: DdeInitializeA with CBF_FAIL_EXECUTES, as a pure client), with
/// `accepts` answering the connections offered to it; every other transaction is answered with
/// 0. The result is not examined: if opening fails, every later command does nothing.
void StartDdeClient(ConnectionRule accepts);

/// Closes the client opened by StartDdeClient and sets DdeInstance back to zero, so that the
/// client can be opened again in the same process.
void StopDdeClient();

/// Sends `command` (zero-terminated, terminator included in the data) as one execute
/// transaction in a conversation of its own with service and topic "PROGMAN", waiting at most
/// 2,000 ms, and ends the conversation. Returns the transaction's result handle, or null when
/// the client is closed, nothing answered, the shell refused or the wait ran out. Callers
/// ignore it.
void* SendProgmanCommand(const char* command);
