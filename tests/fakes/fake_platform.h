// Fakes for the user-facing platform pieces: a scripted user, a recording clock and a record of
// everything the installer showed or started, in one ordered event log.
#pragma once
#include <string>
#include <vector>

namespace fake {

/// One message box as the installer showed it.
struct ShownMessage {
  std::string caption;
  std::string text;
  unsigned style;
  const void* owner;  // the owner window handed in (null when none)
};

/// Forgets every recorded event, message and scripted answer, and every injected failure.
void Reset();

/// Queues the answer to the next message box (kAnswer* values). With no answer queued an OK
/// box is answered OK and a Yes/No box No, so an unscripted question never counts as assent.
void AnswerNext(int answer);

/// Every message box shown since Reset, in order.
const std::vector<ShownMessage>& Messages();

/// Everything observable since Reset, in order, as short texts such as "message:Caption",
/// "sleep:4000", "percent:25", "progress:destroy", "start:<path>". Other fakes append too.
std::vector<std::string>& Events();

/// Makes the next AllocateMemory call fail.
void FailNextAllocation();

}  // namespace fake
