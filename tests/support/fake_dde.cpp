// Recording stand-in for the Program Manager DDE client in unit tests.
#include "shell/dde_client.h"
#include "tests/support/fakes.h"

uint32_t DdeInstance = 0;

namespace fake {
namespace {
bool shellAnswers = true;
ConnectionRule connectionRule = nullptr;
const char kExecute[] = "dde:execute ";
}  // namespace

void ResetShell() {
  shellAnswers = true;
  connectionRule = nullptr;
  DdeInstance = 0;
}

void ShellAnswersDde(bool answers) { shellAnswers = answers; }
bool ShellAnswersDdeNow() { return shellAnswers; }
ConnectionRule DdeConnectionRule() { return connectionRule; }

std::vector<std::string> ExecutedCommands() {
  std::vector<std::string> commands;
  for (const std::string& event : Events()) {
    if (event.compare(0, sizeof kExecute - 1, kExecute) == 0) commands.push_back(event.substr(sizeof kExecute - 1));
  }
  return commands;
}

}  // namespace fake

void StartDdeClient(ConnectionRule accepts) {
  fake::Events().push_back("dde:start");
  fake::connectionRule = accepts;
  DdeInstance = 1;
}

void StopDdeClient() {
  fake::Events().push_back("dde:stop");
  DdeInstance = 0;
}

void* SendProgmanCommand(const char* command) {
  // Like DDEML, a client that is not open cannot hold a conversation.
  if (DdeInstance == 0 || !fake::shellAnswers) {
    fake::Events().push_back("dde:connect(refused)");
    fake::Events().push_back("dde:disconnect");
    return nullptr;
  }
  fake::Events().push_back("dde:connect");
  fake::Events().push_back(std::string(fake::kExecute) + command);
  fake::Events().push_back("dde:disconnect");
  return &fake::shellAnswers;
}
