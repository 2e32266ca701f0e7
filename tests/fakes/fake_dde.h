// A recording stand-in for the Program Manager DDE client: every conversation lands in
// fake::Events() as "dde:connect", "dde:execute <command>", "dde:disconnect".
#pragma once
#include <string>
#include <vector>

#include "shell/dde_client.h"

namespace fake {

/// Whether a shell answers the client's conversations; true unless a test says otherwise.
/// When it does not, a conversation is recorded as "dde:connect(refused)", "dde:disconnect"
/// and the command returns null. fake::Reset does not touch it: a test that silences the
/// shell speaks it again when it ends.
void ShellAnswersDde(bool answers);

/// The connection rule handed to the most recent StartDdeClient (null before any).
ConnectionRule DdeConnectionRule();

/// The commands executed since fake::Reset, in order, taken from fake::Events().
std::vector<std::string> ExecutedCommands();

}  // namespace fake
