// The damage check with its window: when the window comes up, and what it shows.
#include "payload/verification.h"

#include "payload/extract.h"
#include "payload/progress_window.h"
#include "platform/system.h"

namespace {

// The moment after which the window may come up, and the least time that the check must still
// seem to need for it to come up. Checking the sample takes well under a millisecond; a 1 GiB
// product, half a second from memory and seconds from disk.
const unsigned kMomentMilliseconds = 250;
// The window's percentage changes at most this often: every change is painted at once, which
// under Wine costs round trips to its server, and a text that changes faster is not read anyway.
const unsigned kUpdateMilliseconds = 100;

struct Verification {
  InstanceHandle instance;
  unsigned started;     // MillisecondCount when the check began
  WindowHandle window;  // null until it comes up
  bool windowTried;     // it was created, or could not be
  unsigned updated;     // MillisecondCount when the window's percentage last changed
  int shownPercent;     // what the window shows
};

// The check's progress callback.
void ShowVerification(void* context, const char*, int percent) {
  Verification& verification = *static_cast<Verification*>(context);
  const unsigned now = MillisecondCount();
  if (!verification.windowTried) {
    const unsigned elapsed = now - verification.started;
    // What is left, at the pace so far, is elapsed * (100 - percent) / percent.
    if (elapsed < kMomentMilliseconds || elapsed * static_cast<unsigned>(100 - percent) <
                                             kMomentMilliseconds * static_cast<unsigned>(percent)) {
      return;
    }
    verification.windowTried = true;
    verification.window = CreateVerificationWindow(verification.instance);
  } else if (now - verification.updated < kUpdateMilliseconds) {
    return;
  }
  if (verification.window == nullptr || percent == verification.shownPercent) return;
  verification.updated = now;
  verification.shownPercent = percent;
  ShowPercent(verification.window, "", percent);
}

}  // namespace

PayloadCheck CheckPayloadShowingProgress(InstanceHandle instance) {
  Verification verification = {instance, MillisecondCount(), nullptr, false, 0, 0};
  const PayloadCheck found = CheckPayload(&verification, ShowVerification);
  DestroyProgressWindow(verification.window);
  return found;
}
