// Carrying shell commands to Program Manager's DDE interface, one conversation per command.
#pragma once
#include <stdint.h>

/// The DDE instance identifier, process-wide: zero until StartDdeClient has initialised it.
extern uint32_t DdeInstance;

/// Opens the client (on Windows: DdeInitializeA with DdeCallback and CBF_FAIL_EXECUTES, as a
/// pure client). The result is not examined: if it fails, every later command does nothing.
void StartDdeClient();

/// Closes the client opened by StartDdeClient (on Windows: DdeUninitialize).
void StopDdeClient();

/// Sends `command` (zero-terminated, terminator included in the data) as one execute
/// transaction in a conversation of its own with service and topic "PROGMAN", waiting at most
/// 2,000 ms, and ends the conversation. Returns the transaction's result handle, or null when
/// nothing answered, the shell refused or the wait ran out. Callers ignore it.
void* SendProgmanCommand(const char* command);

/// The client's answer to a connection offered to it (DdeCallback's XTYP_CONNECT): true only
/// when `serviceName` equals the settings' groupName exactly, case included. DdeCallback reads
/// the service name (at most 256 bytes) and answers every other transaction with 0.
bool DdeAcceptsConnection(const char* serviceName);
