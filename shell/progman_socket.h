// The console edition's channel to a stand-in for Program Manager: a local (Unix domain) socket
// named "PROGMAN" that takes one command per connection and acknowledges it with one byte.
#pragma once
#include <stddef.h>

/// Room for a socket path, terminator included (the platform's limit for socket addresses).
enum { ProgmanSocketPathSize = 108 };

/// The byte a stand-in shell sends back once it has carried out a command. Any other byte, an
/// early end of the connection or silence means the command was not carried out.
enum { ProgmanAcknowledgement = 1 };

/// Writes the path of the stand-in shell's socket into `buffer` of `size` bytes: "PROGMAN" in
/// the runtime folder (RuntimeFolder: $XDG_RUNTIME_DIR, else the profile folder). Returns false,
/// leaving an empty text, when there is no such folder or the path does not fit.
bool ProgmanSocketPath(char* buffer, size_t size);

/// Opens one conversation with the listener at `socketPath`, writes `command` with its
/// terminating zero and waits for the acknowledgement byte; the whole conversation takes at
/// most `timeoutMilliseconds`. Returns true when the command was acknowledged; false when
/// nothing listens there, the listener refuses or stays silent. Never raises a signal.
bool SendOverProgmanSocket(const char* socketPath, const char* command, int timeoutMilliseconds);
