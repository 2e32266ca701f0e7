// The Win32 DDE client opened, used and closed twice in one process, as a second registration
// would do: each round's command must reach Program Manager. Run under Wine by the scenario
// 34_dde_client_twice, which checks the exit code and the two groups made.
#include <stdio.h>

#include "shell/dde_client.h"

namespace {

// Program Manager offers the client no connections; none is accepted.
bool AcceptNone(const char*) { return false; }

}  // namespace

int main() {
  const char* const commands[] = {"[CreateGroup(DdeRoundOne)]", "[CreateGroup(DdeRoundTwo)]"};
  int lost = 0;
  for (const char* command : commands) {
    StartDdeClient(AcceptNone);
    const bool carried = SendProgmanCommand(command) != nullptr;
    StopDdeClient();
    printf("%s %s; instance after closing: %lu\n", command, carried ? "carried out" : "lost",
           static_cast<unsigned long>(DdeInstance));
    if (!carried) ++lost;
  }
  return lost == 0 ? 0 : 1;
}
